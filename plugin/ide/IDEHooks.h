// Compiler start-up and file-search hooks: the steps start-up, the end of
// start-up and shut-down run (CompilerLibraries.cpp, CompilerHooks.cpp).
#pragma once

namespace toravex {

// Start-up: replaces the C routines inside the Delphi compiler library, then
// inside the C++ compiler library (OptimizeCompilerModule).
void OptimizeDelphiCompiler();
void OptimizeCppCompiler();
// Start-up: the IDE file system's read-only test becomes one attribute query.
void InstallReadonlyHook();
// End of start-up: the hosted compiler's file look-ups by attribute query.
void InstallCompilerInitHook();
// Shut-down: puts the compiler's file look-up back and removes the read-only
// redirection.
void RemoveCompilerInitHook();

}  // namespace toravex
