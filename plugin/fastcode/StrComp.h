// StrComp: comparison of two zero-terminated strings (never null), in the
// host's register convention; the bytes up to the first zero decide.
#pragma once

#include <cstdint>

#include "HostCall.h"

namespace toravex {

using StrCompRoutine = int32_t(HOSTCALL*)(const char* s1, const char* s2);

// -1, 0 or +1.
int32_t HOSTCALL StrCompA(const char* s1, const char* s2);
// The difference of the first unequal bytes.
int32_t HOSTCALL StrCompB(const char* s1, const char* s2);

// The variant for a routine target; null for codes never produced.
StrCompRoutine StrCompFor(uint8_t target);

}  // namespace toravex
