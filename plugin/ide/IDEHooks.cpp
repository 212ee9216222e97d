#include "ide/IDEHooks.h"

namespace toravex {

void OptimizeDelphiCompiler() {}
void OptimizeCppCompiler() {}
void InstallReadonlyHook() {}
void RemoveCompilerInitHook() {}

}  // namespace toravex
