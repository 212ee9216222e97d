// The C runtime's memset, memmove, memcpy, strcmp, stricmp and strlen as the
// other libraries of the process import them (C convention), carried over to
// the routines chosen for this processor.
#pragma once

#include <cstddef>

namespace toravex {

extern "C" {
void* __cdecl CrtMemset(void* dest, int value, size_t count);
void* __cdecl CrtMemmove(void* dest, const void* source, size_t count);
// memcpy's adapter is overlap-safe like memmove's, but a routine of its own:
// restoring an import slot finds the slot by the address written into it,
// so two imports re-pointed at one address could not be told apart (memcpy's
// slot would get memmove's address back).
void* __cdecl CrtMemcpy(void* dest, const void* source, size_t count);
int __cdecl CrtStrcmp(const char* a, const char* b);
int __cdecl CrtStricmp(const char* a, const char* b);
size_t __cdecl CrtStrlen(const char* s);
}

}  // namespace toravex
