// FillChar(Dest, Count, Value) in five processor variants, chosen per
// routine target by the routine table.
//
// Host register convention: EAX = Dest, EDX = Count, CL = Value. Stores
// Value into Count bytes from Dest; nothing for a Count of 0 or below. Only
// EAX, ECX, EDX, the flags and the vector registers are changed; the FPU and
// MMX state is left empty. Counts below 32 are stored by straight-line code;
// from 32 a pattern is stored unaligned at both ends and aligned between.
#pragma once

#include <cstdint>

#include "HostCall.h"

namespace toravex {

using FillCharRoutine = void(HOSTCALL*)(void* dest, int32_t count, char value);

extern "C" {
// 16-byte SSE2 stores; non-temporal for more than 1 MB between the ends;
// counts below 32 through a table of straight-line sequences.
void HOSTCALL FillCharA(void* dest, int32_t count, char value);
// 16-byte SSE2 stores; non-temporal for more than 512 KB between the ends.
void HOSTCALL FillCharB(void* dest, int32_t count, char value);
// 8-byte MMX stores, 16 bytes a step.
void HOSTCALL FillCharC(void* dest, int32_t count, char value);
// 8-byte stores through the FPU, 16 bytes a step.
void HOSTCALL FillCharD(void* dest, int32_t count, char value);
// 16-byte SSE stores; non-temporal for more than 512 KB between the ends.
void HOSTCALL FillCharE(void* dest, int32_t count, char value);
}

// The variant for a routine target; null for codes never produced.
FillCharRoutine FillCharFor(uint8_t target);

}  // namespace toravex
