// toravex-cpuinfo --tune: measures, on this machine, every variant of each
// routine family that this processor can run and the move size from which
// the cache-bypassing move loops win, and returns what to store.
#pragma once

#include <cstdio>
#include <optional>

#include "base/Options.h"

namespace tuning {

// The processor must have been detected. Case conversions make host
// strings: without the runtime package loaded their families keep the
// table's choice. Progress goes to `progress` while it measures; `quick`
// measures less and shorter (a smoke run, not a tuning). Nothing when a
// family has no variant this processor runs.
std::optional<toravex::StoredTuning> TuneThisMachine(bool quick, std::FILE* progress);

}  // namespace tuning
