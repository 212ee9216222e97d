#include "ide/Splash.h"

namespace toravex {

void ShowSplashLabels() {}

}  // namespace toravex
