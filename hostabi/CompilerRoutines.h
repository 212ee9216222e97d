// The compiler libraries' C runtime routines (CompilerRoutines.inc) as C++
// constants: for each build, the exact bytes of each of the six routines.
#pragma once

#include <cstddef>
#include <initializer_list>

#include "HostNames.h"

namespace hostabi {

// The six routines, in the order the compiler libraries lay them out.
enum class CompilerRoutine { memcpy, memmove, memset, strcat, strlen, memcmp };
inline constexpr int kCompilerRoutineCount = 6;

namespace compiler_code {
using namespace hostnames;
#define COMPILER_ROUTINE(id, builds, routine, ...) inline constexpr unsigned char id[] = {__VA_ARGS__};
#include "CompilerRoutines.inc"
#undef COMPILER_ROUTINE
}  // namespace compiler_code

struct CompilerRoutineCode {
    CompilerRoutine routine;
    unsigned builds;  // hostnames::B100 ...
    const unsigned char* bytes;
    size_t size;
};

namespace compiler_code {
inline constexpr CompilerRoutineCode kRows[] = {
#define COMPILER_ROUTINE(id, builds, routine, ...) {CompilerRoutine::routine, builds, id, sizeof id},
#include "CompilerRoutines.inc"
#undef COMPILER_ROUTINE
};
}  // namespace compiler_code

// The bytes of a routine in the compiler libraries of one build (its bit,
// hostnames::B100 ...); nil when the table has none.
constexpr const CompilerRoutineCode* FindCompilerRoutine(unsigned build, CompilerRoutine routine) {
    for (const CompilerRoutineCode& row : compiler_code::kRows)
        if (row.routine == routine && (row.builds & build)) return &row;
    return nullptr;
}

// How many bytes of each routine are compared.
constexpr size_t CompilerRoutineLength(CompilerRoutine routine) {
    switch (routine) {
        case CompilerRoutine::memcpy: return 36;
        case CompilerRoutine::memmove: return 74;
        case CompilerRoutine::memset: return 45;
        case CompilerRoutine::strcat: return 60;
        case CompilerRoutine::strlen: return 90;
        case CompilerRoutine::memcmp: return 108;
    }
    return 0;
}

namespace compiler_code {
// Every build has each routine once, at its compared length.
constexpr bool TableIsWhole() {
    for (unsigned build : {B50, B60, B70, B90, B100})
        for (int r = 0; r < kCompilerRoutineCount; ++r) {
            int rows = 0;
            for (const CompilerRoutineCode& row : kRows)
                if (row.routine == CompilerRoutine(r) && (row.builds & build)) {
                    ++rows;
                    if (row.size != CompilerRoutineLength(row.routine)) return false;
                }
            if (rows != 1) return false;
        }
    return true;
}
static_assert(TableIsWhole(), "CompilerRoutines.inc: each build needs each routine once, at its length");
}  // namespace compiler_code

}  // namespace hostabi
