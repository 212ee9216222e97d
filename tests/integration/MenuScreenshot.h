// A picture of another process's main window with the menu it has dropped
// down, read from the windows' own device contexts (other tests' windows
// on the shared display do not cover them).
#pragma once

#include <windows.h>

#include "PngFile.h"

namespace idetest {

// Waits up to timeoutMs for a visible drop-down menu (class "#32768") of
// the process, then pictures its main window ("TAppBuilder") with the menu
// laid over it where the screen shows it. False when either is missing.
bool CaptureMainWindowWithMenu(DWORD processId, Image& picture, DWORD timeoutMs = 20000);

}  // namespace idetest
