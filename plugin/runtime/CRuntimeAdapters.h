// The C runtime's memset, memmove, memcpy, strcmp, stricmp and strlen as the
// other libraries of the process import them (C convention), carried over to
// the routines chosen for this processor.
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

}  // namespace toravex
