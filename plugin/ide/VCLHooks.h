// The end of IDE start-up, and the window and colour-box hooks.
#pragma once

#include "HostCall.h"

namespace toravex {

// The library's main block (builds 90 and 100): the version text on the
// splash window through the IDE's splash-screen service, then the 100 ms
// end-of-start-up timer.
void StartStartupWatch();
// Kills a pending end-of-start-up timer.
void StopStartupWatch();

// Redirects TCustomColorBox.PopulateList and Loaded (builds 70, 90, 100),
// and takes the redirections away.
void InstallColorBoxHooks();
void RemoveColorBoxHooks();
// The replacements.
void HOSTCALL ColorBoxPopulateList(void* self);
void HOSTCALL ColorBoxLoaded(void* self);

}  // namespace toravex
