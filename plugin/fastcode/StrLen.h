// StrLen: the number of bytes before the first zero byte of a zero-
// terminated string (never null), in the host's register convention. No
// variant reads a page the string does not occupy.
#pragma once

#include <cstdint>

#include "HostCall.h"

namespace toravex {

using StrLenRoutine = int32_t(HOSTCALL*)(const char* s);

// SSE2: bytes one by one while a 16-byte read could cross into the next
// page, then one block from there and aligned blocks.
int32_t HOSTCALL StrLenA(const char* s);
// The first four bytes one by one, then aligned words.
int32_t HOSTCALL StrLenB(const char* s);
// SSE2: one unaligned block when it stays in the page, else bytes up to a
// 16-byte boundary; then aligned blocks.
int32_t HOSTCALL StrLenC(const char* s);

// The variant for a routine target; null for codes never produced.
StrLenRoutine StrLenFor(uint8_t target);

}  // namespace toravex
