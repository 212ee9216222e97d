#include "runtime/FastObj.h"

namespace toravex {

void PrepareFastObj() {}
void InstallFastObj() {}
void TeardownFastObj() {}

}  // namespace toravex
