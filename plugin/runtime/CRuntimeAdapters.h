// The C runtime's memset, memmove, memcpy, strcmp, stricmp and strlen as the
// other libraries of the process import them (C convention), carried over to
// the routines chosen for this processor: registered for import re-pointing
// and redirected at their entries in every C runtime library that is loaded.
#pragma once

#include <cstddef>

namespace toravex {

extern "C" {
void* __cdecl CrtMemset(void* dest, int value, size_t count);
void* __cdecl CrtMemmove(void* dest, const void* source, size_t count);  // also memcpy: overlap-safe
int __cdecl CrtStrcmp(const char* a, const char* b);
int __cdecl CrtStricmp(const char* a, const char* b);
size_t __cdecl CrtStrlen(const char* s);
}

// Looks up the C runtime libraries (by GetModuleHandleA, else in the list of
// loaded modules).
void FindCRuntimeLibraries();
// Registers each adapter for the routine it stands in for, in every library
// found; then writes the entry jumps; then takes them away again.
void RegisterCRuntimeAdapters();
void RedirectCRuntimeRoutines();
void RestoreCRuntimeRoutines();

}  // namespace toravex
