// The "tuned" column of the benchmark programs: the routines tuned to this
// machine (toravex-cpuinfo --tune), taken from the options exactly as the
// plug-in takes them, and which variants this processor runs.
#pragma once

#include <optional>
#include <string>

#include "base/Options.h"
#include "fastcode/FastcodeCPUID.h"
#include "fastcode/RoutineVariants.h"
#include "fastcode/TunedRoutines.h"

namespace bench {

// Nothing when none are stored or they are not for this processor.
inline std::optional<toravex::TunedRoutines> LoadTunedRoutines() {
    toravex::TunedRoutines tuned;
    if (const std::optional<toravex::StoredTuning> stored = toravex::ReadTuning())
        if (!toravex::ResolveTuning(*stored, toravex::Processor, tuned)) return tuned;
    return std::nullopt;
}

// Whether an implementation column is a variant this processor runs.
inline bool IsVariantThatRunsHere(const std::string& name) {
    for (const toravex::RoutineFamily& family : toravex::RoutineFamilies())
        for (const toravex::RoutineVariant& v : family.variants)
            if (name == v.name) return !(v.needs & ~toravex::Processor.features);
    return false;
}

// The goal of a tuned variant: within 10% of the fastest variant.
inline bool WithinTenPercent(double fastestNs, double tunedNs) { return tunedNs <= fastestNs * 1.1; }

}  // namespace bench
