// The plug-in library's life: the module preparations at load in their fixed
// order, the start-up sequence, the main block, and at unload the teardowns in
// reverse order. All of it runs inside the library's load and unload
// notifications, on the thread that loads the library.
#pragma once

#include <windows.h>

namespace toravex {

// Library load: preparations, RunStartUp, main block; once per process.
void ProcessAttach();
// Library unload: the teardowns of the prepared modules, last first.
void ProcessDetach();

void RunStartUp();

// The shut-down chain: each module that needs work done at shut-down installs
// a handler, keeps the one it displaced and calls it after its own work.
using ShutdownHandler = void (*)();
extern ShutdownHandler ShutdownChain;
// Installs handler as the head of the chain; returns the displaced head.
ShutdownHandler InstallShutdownHandler(ShutdownHandler handler);

// Filled by start-up step 3: the host's runtime package, 0 when absent.
extern HMODULE RuntimePackage;

// This library's own module.
HMODULE OwnModule();

}  // namespace toravex
