// The end of IDE start-up, window, menu and colour-box hooks.
#pragma once

namespace toravex {

// Shows the splash version text and starts the 100 ms end-of-start-up timer.
void StartStartupWatch();
// Kills a pending end-of-start-up timer.
void StopStartupWatch();
// Redirects TCustomColorBox.PopulateList and Loaded.
void InstallColorBoxHooks();
void RemoveColorBoxHooks();

}  // namespace toravex
