// Checks of a compiler library's C runtime routines (its crt_ exports and
// memcmp's callers) against what a C runtime computes, over generated
// inputs: the emulated libraries as built, and again after the plug-in
// replaced their routines.
#pragma once

#include <windows.h>

namespace compilertest {

// memcpy, memmove (overlapping both ways) and memset: every length to 70,
// then in steps to 300, every alignment of source and destination to 3.
void CheckBlockRoutines(HMODULE library);
// strlen up to the last byte before a page that cannot be read, at every
// alignment to 7; strcat of empty, one-character and longer strings.
void CheckStringRoutines(HMODULE library);
// memcmp: equal blocks, and one differing byte at every place.
void CheckCompare(HMODULE library);
// memcmp through every caller shape: the result and a balanced stack, twice.
void CheckMemcmpCallers(HMODULE library);

}  // namespace compilertest
