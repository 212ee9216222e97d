// Fast quit: once the usual questions before closing are answered, the IDE
// ends without the rest of its shut-down (no OnDestroy, no finalization, no
// package unloading), after the plug-in undid its own changes. Offered by
// a File menu item (with a warning first) and by closing the main window
// with Ctrl held. The shut-down runner is here too.
#pragma once

#include <atomic>
#include <cstdint>

#include "HostCall.h"

namespace toravex {

// Set by ShutdownRunner before any handler runs; never cleared.
extern std::atomic<bool> ShutdownFlag;

// Sets ShutdownFlag and runs the shut-down chain. A host exception of the
// Exception class escaping it is shown in an error box captioned
// "Toravex - " and the class name; other raised objects pass on.
void ShutdownRunner();

// Redirects TCustomForm.Close to FormCloseHook (when the host has every
// routine the close sequence needs), and takes the redirection away.
void InstallFormCloseHook();
void RemoveFormCloseHook();

// The close of a form, in place of the host's TCustomForm.Close: Ctrl held
// on the main form ends the IDE once the close went through.
void HOSTCALL FormCloseHook(void* form);
// The host's close sequence carried out by the plug-in; the close action.
uint8_t PerformFormClose(void* form);
// The fast-quit item's click handler (an event: object, then sender).
void HOSTCALL FastQuitMenuClick(void* data, void* sender);

// Ends the process with exit code 0; tests replace it (nil restores).
using ProcessTerminator = void (*)(unsigned exitCode);
ProcessTerminator SetProcessTerminator(ProcessTerminator terminator);

}  // namespace toravex
