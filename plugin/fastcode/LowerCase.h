// LowerCase: a copy of a counted string with 'A'-'Z' folded to 'a'-'z' (no
// other byte changes), in the host's register convention; the result as for
// UpperCase.
#pragma once

#include <cstdint>

#include "HostCall.h"

namespace toravex {

using LowerCaseRoutine = void(HOSTCALL*)(const char* s, char** result);

// Sixteen bytes per step as two MMX folds, the last 0-15 bytes through a
// 256-byte table.
void HOSTCALL LowerCaseA(const char* s, char** result);
// Four bytes at a time, the last word first, then from the top down.
void HOSTCALL LowerCaseB(const char* s, char** result);

// The variant for a routine target; null for codes never produced.
LowerCaseRoutine LowerCaseFor(uint8_t target);

}  // namespace toravex
