// The plug-in's process-wide state that every layer reads: its own module,
// the host's runtime package and directory, the IDE's start-up phase and the
// shut-down chain. Set by the start-up (startup/) and by the end-of-start-up step.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

namespace toravex {

// This library's own module.
HMODULE OwnModule();

// Filled by start-up step 3: the host's runtime package, 0 when absent.
extern HMODULE RuntimePackage;

// The directory of the host program, without a trailing delimiter; kept by
// the IDE-integration preparation until its teardown. The compiler call
// cache looks for the host's touch utility there.
extern std::string HostDirectory;

// True from load until the end-of-start-up step. While it lasts, file ages
// are cached, thread priorities are left alone and the splash progress
// advances. Read on any thread.
extern std::atomic<bool> StartupPhase;

// The shut-down chain: each module that needs work done at shut-down installs
// a handler, keeps the one it displaced and calls it after its own work.
using ShutdownHandler = void (*)();
extern ShutdownHandler ShutdownChain;
// Installs handler as the head of the chain; returns the displaced head.
ShutdownHandler InstallShutdownHandler(ShutdownHandler handler);

}  // namespace toravex
