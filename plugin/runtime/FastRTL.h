// The runtime-package patch set.
#pragma once

namespace toravex {

// Creates the import-hook containers and installs the patch set's shut-down handler.
void PrepareRuntimePatchSet();
// Replaces the runtime package's routines and scans the loaded modules.
void InstallRuntimePatches();
// Restores every redirection and import slot of the patch set.
void RemoveRuntimePatches();

}  // namespace toravex
