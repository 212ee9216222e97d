// IntToStr: a 32-bit integer as decimal text, one routine for every
// processor. Host register convention: EAX = Value, EDX = the address of the
// result (a host long string variable). The text has a minus sign for
// negative values and no leading zeros; 0 gives "0".
#pragma once

#include <cstdint>

#include "HostCall.h"

namespace toravex {

using IntToStrRoutine = void(HOSTCALL*)(int32_t value, char** result);

void HOSTCALL IntToStr(int32_t value, char** result);

}  // namespace toravex
