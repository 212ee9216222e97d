#include "ide/Splash.h"

#include "base/BuildProfile.h"
#include "base/Lifecycle.h"
#include "ide/PaletteBatching.h"
#include "ide/StartupWatch.h"

namespace toravex {

// Without the IDE's splash window the end of start-up is the main window's
// first appearance, as in the newer builds.
void ShowSplashLabels() { StartWatchTimer(); }

void SplashProgressStep(const char*) {
    if (!StartupPhase) return;
    if (Profile().hasPaletteBatching) PaletteBatchStep();
}

}  // namespace toravex
