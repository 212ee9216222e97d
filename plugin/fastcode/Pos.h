// Pos (the host's counted-string position helper): the 1-based index of the
// first occurrence of SubStr in S, in the host's register convention; 0 when
// there is none, when either is empty or SubStr is longer than S.
#pragma once

#include <cstdint>

#include "HostCall.h"

namespace toravex {

using PosRoutine = int32_t(HOSTCALL*)(const char* subStr, const char* s);

// Searches for the last character of SubStr four bytes at a time.
int32_t HOSTCALL PosA(const char* subStr, const char* s);
// Searches for the first character of SubStr sixteen bytes at a time (SSE2).
int32_t HOSTCALL PosB(const char* subStr, const char* s);

// The variant for a routine target; null for codes never produced.
PosRoutine PosFor(uint8_t target);

}  // namespace toravex
