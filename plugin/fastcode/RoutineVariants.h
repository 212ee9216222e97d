// Every processor variant of the routine families, by slot: its name, its
// code and the instruction-set features its code uses. The routine table
// picks one per slot and target; a target's row may only hold variants whose
// features the target guarantees. The processor report and the benchmarks
// name variants through this list.
#pragma once

#include <cstdint>
#include <span>

namespace toravex {

struct RoutineVariant {
    const char* name;     // "CompareStrC"
    const void* routine;
    uint16_t needs;       // ProcessorFeature flags the code uses
};

struct RoutineFamily {
    const char* slot;     // the routine-table slot: "CompareStr"; "Move" for the block move
    std::span<const RoutineVariant> variants;
};

// The fifteen slots' families, then Move's (chosen by features alone).
std::span<const RoutineFamily> RoutineFamilies();

// The variant whose code is routine; nil when it is none of them.
const RoutineVariant* FindVariant(const void* routine);

// The features every processor a routine target is selected for has: what
// the selection rule checks, and what every processor passing it also has
// (every processor with SSE has MMX and CMOV; the Intel models 14 of
// family 6 and 6 of family 15 have SSE3). The floating-point unit is the
// baseline of every processor the plug-in runs on.
uint16_t TargetGuarantees(uint8_t target);

}  // namespace toravex
