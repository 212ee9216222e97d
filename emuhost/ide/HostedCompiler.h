// The IDE's hosted Delphi compiler (compiler/CompilerInterface.h).
#pragma once

namespace emuide {

using LogFunction = void (*)(const char* format, ...);

// At the end of start-up (the main window visible): hands the IDE's callback
// table to the Delphi compiler through the compiler start-up routine. With
// -compile:<project file> on the command line, half a second later, on the
// message loop, compiles that project and then runs the C++ compiler once,
// logging
//   compile <project> units=<n> lookups=<n> found=<n> readonly=<n> checksum=<hex> ms=<time>
//   cpp-compile checksum=<hex>
// ("compile <project> failed" when the project cannot be read). Give
// -autoclose more time than that.
void StartHostedCompiler(LogFunction log);

// With -compile:<project> on the command line: logs what the compiler hooks
// change and must give back (compiler/CompilerState.h), before any expert is
// loaded:
//   compiler-state start table=<hex> readonly=<16 hex digits>
// The module of the compiler start-up routine appends the same line with
// "exit" to the log when the process ends, after every expert was told.
void LogCompilerStateAtStart(LogFunction log);

}  // namespace emuide
