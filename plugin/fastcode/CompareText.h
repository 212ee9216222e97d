// CompareText: comparison of two counted strings with 'a'-'z' folded to
// 'A'-'Z' (no other byte is folded), in the host's register convention.
// Same ordering and null handling as CompareStr.
#pragma once

#include <cstdint>

#include "HostCall.h"

namespace toravex {

using CompareTextRoutine = int32_t(HOSTCALL*)(const char* s1, const char* s2);

// As B, the walk counting a positive index up to the common length.
int32_t HOSTCALL CompareTextA(const char* s1, const char* s2);
// Word compare; unequal words folded four bytes at a time.
int32_t HOSTCALL CompareTextB(const char* s1, const char* s2);
// Word compare; unequal words folded byte by byte. A difference in the
// second or fourth byte of a word comes multiplied by 256.
int32_t HOSTCALL CompareTextC(const char* s1, const char* s2);

// The variant for a routine target; null for codes never produced.
CompareTextRoutine CompareTextFor(uint8_t target);

}  // namespace toravex
