// Scanning a loaded module's imports once per name: the decision that admits
// only the filtered libraries and re-points registered routines, and the
// modules that are never scanned.
#pragma once

#include <windows.h>

namespace toravex {

class TStringIntegerHash;

// Names of the modules already scanned (value 1); created and freed by the
// runtime patch set. While it does not exist no module is scanned.
extern TStringIntegerHash* HookedModules;

// kernel32, user32, gdi32, ntdll and borlndmm as the runtime patch set
// recorded them at installation: never scanned.
extern HMODULE SkippedSystemModules[5];

// The decision of every scan: a nil address asks whether the library passes
// the import filter; otherwise the replacement registered for address.
bool ChooseReplacement(const char* libraryName, void* address, void** replacement);

// Scans the module (handle 0: GetModuleHandleA of name) unless it is this
// library, a skipped system module, or was scanned under this exact name.
void HookModuleImports(const char* name, HMODULE handle);

}  // namespace toravex
