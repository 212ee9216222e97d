// PosEx: as Pos, searching from the 1-based Offset, in the host's register
// convention; 0 also when Offset is below 1 or when SubStr does not fit
// between Offset and the end of S.
#pragma once

#include <cstdint>

#include "HostCall.h"

namespace toravex {

using PosExRoutine = int32_t(HOSTCALL*)(const char* subStr, const char* s, int32_t offset);

// As PosA from the Offset.
int32_t HOSTCALL PosExA(const char* subStr, const char* s, int32_t offset);
// Searches for the last character of SubStr with an eight-way unrolled byte
// loop; verifies backwards two bytes at a time.
int32_t HOSTCALL PosExB(const char* subStr, const char* s, int32_t offset);

// The variant for a routine target; null for codes never produced.
PosExRoutine PosExFor(uint8_t target);

}  // namespace toravex
