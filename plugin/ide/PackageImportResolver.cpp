#include "ide/PackageImportResolver.h"

#include "ide/Splash.h"

namespace toravex {

void (*PackageProgressStep)(const char* fileName) = &SplashProgressStep;

}  // namespace toravex
