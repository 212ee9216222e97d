// The C routines that the compiler libraries link statically (memcpy,
// memmove, memset, strcat, strlen, memcmp): found by their exact machine code
// (hostabi/CompilerRoutines.inc, the rows of this build) and replaced with the
// processor-selected routines (CompilerRuntime.h). The changes are made once,
// at start-up, and never undone.
#pragma once

#include <windows.h>

#include <cstdint>

#include "CompilerRoutines.h"

namespace toravex {

// Where the scan found each routine (indexed by hostabi::CompilerRoutine),
// nil when it did not.
struct FoundCompilerRoutines {
    uint8_t* at[hostabi::kCompilerRoutineCount] = {};
    uint8_t* operator[](hostabi::CompilerRoutine r) const { return at[static_cast<int>(r)]; }
};

// Scans [begin, end) byte by byte for the routines of a build, in the order
// the compiler libraries lay them out: memcpy first; after it, at each 55 8B
// EC, the first of memmove, memset, strcat and memcmp not found yet whose
// bytes match; strlen (which does not begin with 55 8B EC) only after
// strcat. After a match the scan goes on past the routine (past 138 bytes
// after memset). Bytes are compared with the CompareMem slot, only where the
// whole routine lies inside the range.
FoundCompilerRoutines FindCompilerRoutines(uint8_t* begin, uint8_t* end, unsigned build);

// OptimizeCompilerModule (module, export): scans the run of pages with the
// same attributes that holds the export of the loaded module, and replaces
// what it found: memcpy and memmove with the move block, memset with the
// fill block, strlen with the length block, strcat with a jump to
// FastStrCat, memcmp with a jump to SmartMemCmp. A module that is not
// loaded, a missing export or a routine slot that is not filled changes
// nothing (that routine, or all of them).
void OptimizeCompilerModule(const char* module, const char* exportName);

}  // namespace toravex
