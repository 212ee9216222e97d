#include "ide/IDEHooks.h"

namespace toravex {

void OptimizeDelphiCompiler() {}
void OptimizeCppCompiler() {}
void InstallReadonlyHook() {}
void InstallCompilerInitHook() {}
void RemoveCompilerInitHook() {}

}  // namespace toravex
