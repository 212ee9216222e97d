// Routines tuned to this machine: the variant per slot, the block move and
// the large-move threshold that toravex-cpuinfo --tune measured here and
// stored under the options key with the processor's identity. They take the
// place of the routine table's choice only for the processor they were
// measured on, and only when every variant they name runs on it.
#pragma once

#include <cstdint>

#include "base/Options.h"
#include "fastcode/FastMove.h"
#include "fastcode/Fastcode.h"
#include "fastcode/FastcodeCPUID.h"

namespace toravex {

struct TunedRoutines {
    RoutineSlots slots;
    MoveRoutine move;
    int32_t largeMoveThreshold;  // as LargeMoveThreshold: minus the stored bytes
};

// The processor's identity as tuning is stored with it; no choices yet.
StoredTuning TuningIdentity(const ProcessorInfo& cpu);

// What stored tuning gives on the processor cpu. Nil when tuned is filled;
// otherwise why the tuning cannot be used: it was measured on another
// processor (vendor, family, model, stepping or feature flags differ), a
// slot (the fifteen and Move) is missing or unknown, or a variant is not of
// its slot's family or uses a feature cpu lacks.
const char* ResolveTuning(const StoredTuning& stored, const ProcessorInfo& cpu, TunedRoutines& tuned);

// Puts them in place: the routine slots, the move slot and the threshold.
void UseTunedRoutines(const TunedRoutines& tuned);

}  // namespace toravex
