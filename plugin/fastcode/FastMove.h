// Block move: the host's Move in five processor variants. One is chosen at
// load from the processor's feature flags and published in MoveSlot, which
// the runtime patch set puts in place of the host's Move.
//
// Every variant is Move(Source, Dest, Count) in the host's register
// convention (EAX, EDX, ECX) and copies Count bytes as if through an
// intermediate buffer, so overlapping blocks come out right in either
// direction. A Count of 0 or below, or Source equal to Dest, does nothing.
// Only EAX, ECX, EDX, the flags and the vector registers are changed; the
// floating-point and MMX state is left empty.
//
// Shared by all variants: counts up to 36 go to one straight-line copy per
// count; larger blocks use the variant's own loops. Forward copies of 2048
// bytes or more in the SSE variants move their 16-byte-aligned middle with
// a block routine that bypasses the cache once the block is larger than
// half the level-2 cache.
#pragma once

#include <cstdint>

#include "HostCall.h"

namespace toravex {

using MoveRoutine = void(HOSTCALL*)(const void* source, void* dest, int32_t count);

extern "C" {
void HOSTCALL MoveGeneric(const void* source, void* dest, int32_t count);  // through the FPU, 8 bytes a step
void HOSTCALL MoveMMX(const void* source, void* dest, int32_t count);
void HOSTCALL MoveSSE(const void* source, void* dest, int32_t count);
void HOSTCALL MoveSSE2(const void* source, void* dest, int32_t count);
void HOSTCALL MoveSSE3(const void* source, void* dest, int32_t count);

// Minus half the level-2 cache in bytes (or minus the large-move size tuned
// to this machine). The block routine takes the non-temporal loops when its
// 128-byte part, negated, is below it.
extern int32_t LargeMoveThreshold;

// The block routine's choice between its ordinary and its non-temporal
// loops, for a 16-byte-aligned block of alignedBytes (a multiple of 16):
// true when the block's 128-byte part is larger than -threshold. The block
// routine calls exactly this.
bool HOSTCALL UseNonTemporalMove(int32_t alignedBytes, int32_t threshold);
}

// The move routine chosen for this processor; nil until PrepareFastMove.
// Routines tuned to this machine (TunedRoutines.h) replace it and the
// threshold when the routine table is prepared.
extern MoveRoutine MoveSlot;

// The variant for a set of feature flags: the first present of SSE3, SSE2,
// SSE, MMX; MoveGeneric without any.
MoveRoutine SelectMoveVariant(uint16_t features);

// The large-move threshold for a level-2 cache of l2CacheKB kilobytes.
int32_t LargeMoveThresholdFor(uint16_t l2CacheKB);

// Module preparation (after processor detection): fills MoveSlot and
// LargeMoveThreshold from the processor record.
void PrepareFastMove();

}  // namespace toravex
