#include "ide/VCLHooks.h"

#include "ide/StartupWatch.h"

namespace toravex {

void StartStartupWatch() { StartWatchTimer(); }
void StopStartupWatch() { StopWatchTimer(); }
void InstallColorBoxHooks() {}
void RemoveColorBoxHooks() {}

}  // namespace toravex
