// The share of the IDE's start-up work that one design package does in its
// initialization: deterministic for a given package name, so every start
// gives the same result, with or without anything patched into the runtime.
#pragma once

#include <cstdint>

namespace design {

// Runs the work; `packagePath` is the package's own file name, `build` the
// IDE build (package version). Returns a checksum of every result.
uint32_t RunStartupWork(const char* packagePath, int build);

// Frees what the work keeps until the package is finalized.
void ReleaseStartupWork();

}  // namespace design
