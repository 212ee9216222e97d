// Installation of the managed-data replacements (FastSysRoutines.h): a jump
// at the entry of each of the host's New, Dispose, InitializeArray,
// DynArrayClear, FinalizeArray and IsClass, with the 5 bytes it covers kept
// for the removal, and the exports New, Dispose, IsClass and DynArrayClear
// in the replacement map, wrapped in call-site stubs, so that the modules
// scanned later call the replacements directly. A routine is redirected
// only when the host has every routine its replacement calls; the
// diagnostic log names each routine made or left out.
#pragma once

#include <span>

#include "base/HostRuntime.h"

namespace toravex {

// One host routine the step replaces, with the host names its replacement
// calls.
struct ManagedDataRoutine {
    const hostnames::HostName* routine;
    const void* replacement;
    const HostNeeds* needs;
    bool registered;  // also in the replacement map
};
// In the order of installation.
std::span<const ManagedDataRoutine> FastSysRoutines();

// Module preparation: binds what the replacements call of the host and
// keeps the addresses of the six host routines.
void PrepareFastSys();
// Start-up (unless "NoFastSys"); a second call does nothing.
void InstallFastSys();
// Module teardown: writes the saved bytes back over every redirected entry.
void RemoveFastSys();

}  // namespace toravex
