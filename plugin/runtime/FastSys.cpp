#include "runtime/FastSys.h"

namespace toravex {

void PrepareFastSys() {}
void InstallFastSys() {}
void TeardownFastSys() {}

}  // namespace toravex
