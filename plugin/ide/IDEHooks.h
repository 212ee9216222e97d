// Compiler start-up and file-search hooks.
#pragma once

namespace toravex {

// Replaces the C routines inside the Delphi compiler library.
void OptimizeDelphiCompiler();
// Replaces the C routines inside the C++ compiler library.
void OptimizeCppCompiler();
// Shortens the IDE file system's read-only test.
void InstallReadonlyHook();
// At the end of start-up: the hosted compiler's file look-ups by attribute query.
void InstallCompilerInitHook();
// Removes the compiler hooks and the read-only redirection.
void RemoveCompilerInitHook();

}  // namespace toravex
