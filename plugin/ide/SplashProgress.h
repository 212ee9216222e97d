// The splash progress of builds 90 and 100: a bar above the splash window's
// "SplashLabel" that advances each time one of the packages the IDE is
// expected to load while it starts has been loaded, and the plug-in's
// version label in the window's top right corner.
#pragma once

#include "base/HostStringList.h"

namespace toravex {

// One library or design package loaded while the IDE starts (file name with
// or without folder). The first call builds the expected list and counts
// nothing; later ones advance the bar for an expected package, once each.
void AdvanceSplashProgress(const char* fileName);

// What the first call does, from the IDE's command-line parameters after
// the program (the first call gives this process's).
void BuildSplashProgressList(const HostStringList& parameters);

// Back to the state before the first call (for tests).
void ResetSplashProgress();

}  // namespace toravex
