// The plug-in library's life: the module preparations at load in their fixed
// order, the start-up sequence, the main block, and at unload the teardowns in
// reverse order. All of it runs inside the library's load and unload
// notifications, on the thread that loads the library.
#pragma once

#include "base/Lifecycle.h"

namespace toravex {

// Library load: preparations, RunStartUp, main block; once per process.
void ProcessAttach();
// Library unload: the teardowns of the prepared modules, last first.
void ProcessDetach();

void RunStartUp();

// Start-up step 5: reads the options; installs the system-routine
// replacements unless "NoFastSys" and the object-creation redirection unless
// "NoFastObj", fills Options, then switches off the other patcher.
void ReadOptions();

}  // namespace toravex
