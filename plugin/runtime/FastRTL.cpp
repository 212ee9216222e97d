#include "runtime/FastRTL.h"

#include "core/Main.h"
#include "core/StepTrace.h"

namespace toravex {

namespace {

ShutdownHandler gPreviousHandler = nullptr;

// Frees the lower-case file-name cache and the list of scanned modules.
void FreeFileNameCaches() {}

// First in the chain: the patch set's own containers go first, then the
// handlers installed before it run.
void PatchSetShutdownHandler() {
    RunStep("chain", {"FreeFileNameCaches", FreeFileNameCaches});
    if (gPreviousHandler) gPreviousHandler();
}

}  // namespace

void PrepareRuntimePatchSet() { gPreviousHandler = InstallShutdownHandler(&PatchSetShutdownHandler); }

void InstallRuntimePatches() {}
void RemoveRuntimePatches() {}

}  // namespace toravex
