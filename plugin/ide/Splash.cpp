#include "ide/Splash.h"

#include "base/BuildProfile.h"
#include "base/Lifecycle.h"
#include "ide/OlderSplash.h"
#include "ide/PaletteBatching.h"
#include "ide/SplashProgress.h"

namespace toravex {

void ShowSplashLabels() { ShowOlderSplash(); }

void SplashProgressStep(const char* fileName) {
    if (!StartupPhase) return;
    if (Profile().hasPaletteBatching) PaletteBatchStep();
    AdvanceSplashProgress(fileName);
}

}  // namespace toravex
