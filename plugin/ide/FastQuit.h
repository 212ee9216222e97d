// Fast quit and the shut-down runner.
#pragma once

#include <atomic>

namespace toravex {

// Set by ShutdownRunner before any handler runs; never cleared.
extern std::atomic<bool> ShutdownFlag;

// Sets ShutdownFlag and runs the shut-down chain. A host exception of the
// Exception class escaping it is shown in an error box captioned
// "Toravex - " and the class name; other raised objects pass on.
void ShutdownRunner();

// Redirects TCustomForm.Close so that Ctrl+close ends the IDE at once.
void InstallFormCloseHook();
void RemoveFormCloseHook();

}  // namespace toravex
