// CompareMem(P1, P2, Length) in six processor variants, chosen per routine
// target by the routine table.
//
// Host register convention: EAX = P1, EDX = P2, ECX = Length; the Boolean
// result in AL. True when the first Length bytes at P1 and P2 are equal
// (also for a Length of 0 or below). No byte outside the two blocks is read.
#pragma once

#include <cstdint>

#include "HostCall.h"

namespace toravex {

using CompareMemRoutine = bool(HOSTCALL*)(const void* p1, const void* p2, int32_t length);

// Bytes below 4; 32-bit words to 255; from 256 16-byte SSE3 blocks.
bool HOSTCALL CompareMemA(const void* p1, const void* p2, int32_t length);
// As C, the tail byte by byte.
bool HOSTCALL CompareMemB(const void* p1, const void* p2, int32_t length);
// Bytes below 32; from 32 16-byte SSE2 blocks with P1 aligned.
bool HOSTCALL CompareMemC(const void* p1, const void* p2, int32_t length);
// Bytes below 8; then the first word, the last 8 bytes, 8 bytes a step.
bool HOSTCALL CompareMemD(const void* p1, const void* p2, int32_t length);
// As F, the first word and the last 8 bytes tested together.
bool HOSTCALL CompareMemE(const void* p1, const void* p2, int32_t length);
// Bytes below 8; then the first word, the last 8 bytes, the middle 8 bytes
// a step with P1 aligned to 4.
bool HOSTCALL CompareMemF(const void* p1, const void* p2, int32_t length);

// The variant for a routine target; null for codes never produced.
CompareMemRoutine CompareMemFor(uint8_t target);

}  // namespace toravex
