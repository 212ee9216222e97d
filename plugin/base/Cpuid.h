// Small helpers kept with the patching primitives for the object accelerator:
// rounding of sizes and the processor's identification instruction.
#pragma once

#include <cstdint>

namespace toravex {

// Up: ((value - 1) div unit + 1) * unit; down: (value div unit) * unit;
// division truncates towards zero. A unit of 0 leaves value unchanged.
int32_t RoundToMultiple(int32_t value, int32_t unit, bool up);

// Whether the processor has CPUID: bit 21 of EFLAGS can be flipped.
bool HasCpuid();
// CPUID with leaf in EAX; EAX, EBX, ECX, EDX stored in this order.
void ReadCpuid(uint32_t leaf, uint32_t result[4]);
// CPUID leaf 1, EDX bit 23; false without CPUID.
bool HasMmx();

}  // namespace toravex
