// StrIComp: comparison of two zero-terminated strings (never null) with
// 'a'-'z' folded to 'A'-'Z', in the host's register convention.
#pragma once

#include <cstdint>

#include "HostCall.h"

namespace toravex {

using StrICompRoutine = int32_t(HOSTCALL*)(const char* s1, const char* s2);

// Byte walk; unequal pairs are folded through a table; the difference of
// the first pair that stays unequal.
int32_t HOSTCALL StrICompA(const char* s1, const char* s2);

// The variant for a routine target; null for codes never produced.
StrICompRoutine StrICompFor(uint8_t target);

}  // namespace toravex
