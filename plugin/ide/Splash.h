// Splash window label and progress.
#pragma once

namespace toravex {

// The older builds' main block: labels on the IDE's splash window.
void ShowSplashLabels();

}  // namespace toravex
