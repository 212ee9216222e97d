// The IDE's start-up phase: from the plug-in's load until the IDE's main
// window is first visible. While it lasts, file ages are cached, thread
// priorities are left alone and the splash progress advances; its end runs
// the end-of-start-up step once.
#pragma once

#include "base/Lifecycle.h"

namespace toravex {

// Starts the 100 ms thread timer that watches for the main window (a
// pending one is cancelled first).
void StartWatchTimer();
// Kills a pending watch timer.
void StopWatchTimer();

// Whether the IDE's main window is visible; tests replace the look at the
// application with it (nil restores that look).
using MainWindowProbe = bool (*)();
MainWindowProbe SetMainWindowProbe(MainWindowProbe probe);

// One tick of the watch: without an application, or once it is asked to
// end, the watch stops; when its main form has a visible window, start-up
// ends.
void StartupWatchTick();

// The end-of-start-up step; runs once.
void EndOfStartup();

}  // namespace toravex
