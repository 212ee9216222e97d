// UpperCase: a copy of a counted string with 'a'-'z' folded to 'A'-'Z' (no
// other byte changes), in the host's register convention: the result is a
// fresh host string stored into the result variable, which may be the very
// variable that holds S.
#pragma once

#include <cstdint>

#include "HostCall.h"

namespace toravex {

using UpperCaseRoutine = void(HOSTCALL*)(const char* s, char** result);

// As C, sixteen bytes per SSE2 step above 32 characters.
void HOSTCALL UpperCaseA(const char* s, char** result);
// As C, MMX with the SSE integer extensions.
void HOSTCALL UpperCaseB(const char* s, char** result);
// Above 32 characters eight bytes per MMX step: the 16 bytes at the start
// and at the end, the middle aligned to the result; otherwise four bytes at
// a time.
void HOSTCALL UpperCaseC(const char* s, char** result);
// Four bytes at a time only, the last word first, then from the top down.
void HOSTCALL UpperCaseD(const char* s, char** result);

// The variant for a routine target; null for codes never produced.
UpperCaseRoutine UpperCaseFor(uint8_t target);

}  // namespace toravex
