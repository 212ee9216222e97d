// Splash window label and progress.
#pragma once

namespace toravex {

// The older builds' main block: labels on the IDE's splash window.
void ShowSplashLabels();

// Called with the file name of every library the IDE loads during start-up;
// advances the splash progress.
void SplashProgressStep(const char* fileName);

}  // namespace toravex
