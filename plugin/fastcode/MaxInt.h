// The integer Max of the host's Math unit in two variants, chosen per
// routine target by the routine table: Max(A, B) in the host's register
// convention (EAX = A, EDX = B, result in EAX) gives the larger of the two.
#pragma once

#include <cstdint>

#include "HostCall.h"

namespace toravex {

using MaxRoutine = int32_t(HOSTCALL*)(int32_t a, int32_t b);

extern "C" {
// Compare and conditional move (needs the CMOV instruction).
int32_t HOSTCALL MaxA(int32_t a, int32_t b);
// Branch-free without a conditional move: A + ((B - A) AND mask), the mask
// all ones unless B is less than A.
int32_t HOSTCALL MaxB(int32_t a, int32_t b);
}

// The variant for a routine target; null for codes never produced.
MaxRoutine MaxFor(uint8_t target);

}  // namespace toravex
