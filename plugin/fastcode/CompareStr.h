// CompareStr: byte comparison of two counted strings, in the host's register
// convention. Below 0 when S1 sorts first, 0 when equal, above 0 otherwise;
// a null operand is the empty string. The variants differ in technique and
// in the magnitude of non-zero results, never in their sign.
#pragma once

#include <cstdint>

#include "HostCall.h"

namespace toravex {

using CompareStrRoutine = int32_t(HOSTCALL*)(const char* s1, const char* s2);

// Word walk from the first byte; byte or length differences.
int32_t HOSTCALL CompareStrA(const char* s1, const char* s2);
// As A, the walk counting a negative index up to the common length.
int32_t HOSTCALL CompareStrB(const char* s1, const char* s2);
// First word handled apart; a difference in bytes 2-3 may come as a
// big-endian 16-bit difference.
int32_t HOSTCALL CompareStrC(const char* s1, const char* s2);
// As C; a difference further on comes as a big-endian byte-pair difference.
int32_t HOSTCALL CompareStrD(const char* s1, const char* s2);

// The variant for a routine target; null for codes never produced.
CompareStrRoutine CompareStrFor(uint8_t target);

}  // namespace toravex
