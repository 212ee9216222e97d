// Replacements of the runtime's managed-data routines.
#pragma once

namespace toravex {

// Keeps the addresses of the six host routines.
void PrepareFastSys();
// Redirects New, Dispose, InitializeArray, DynArrayClear, FinalizeArray and IsClass.
void InstallFastSys();
// Removes the redirections that were installed.
void TeardownFastSys();

}  // namespace toravex
