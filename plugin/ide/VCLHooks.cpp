#include "ide/VCLHooks.h"

namespace toravex {

void StartStartupWatch() {}
void StopStartupWatch() {}
void InstallColorBoxHooks() {}
void RemoveColorBoxHooks() {}

}  // namespace toravex
