// StrCopy: copies a zero-terminated string, its zero byte included, to Dest
// and returns Dest, in the host's register convention. Nothing is written
// beyond Dest's new zero byte.
#pragma once

#include <cstdint>

#include "HostCall.h"

namespace toravex {

using StrCopyRoutine = char*(HOSTCALL*)(char* dest, const char* source);

// The first 8 bytes one by one, then 8-byte MMX blocks read at aligned
// source addresses, each stored whole unless it holds the zero byte.
char* HOSTCALL StrCopyA(char* dest, const char* source);
// Two bytes at a time, read at even source addresses.
char* HOSTCALL StrCopyB(char* dest, const char* source);
// Byte by byte, 32 bytes per loop pass.
char* HOSTCALL StrCopyC(char* dest, const char* source);

// The variant for a routine target; null for codes never produced.
StrCopyRoutine StrCopyFor(uint8_t target);

}  // namespace toravex
