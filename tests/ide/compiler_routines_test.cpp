// The emulated compiler libraries compute what a C runtime computes: each
// routine of both rows of the shared table over generated inputs, and memcmp
// through every caller shape. (Their compile of the generated project, alike
// in every build, is shown in the emulated IDE: compiler_ide_test.cpp.)
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "EmulatedCompilers.h"
#include "RoutineChecks.h"
#include "TestSupport.h"

using namespace compilertest;

namespace {

// dcc100.dll holds the table's rows of the 100 and 90 builds, dcc70.dll
// those of the builds up to 70.
class CompilerRoutines : public ::testing::TestWithParam<int> {
protected:
    HMODULE Library() { return LoadEmulatedCompilers(GetParam()).dcc; }
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(BothRows, CompilerRoutines, ::testing::Values(100, 70));

TEST_P(CompilerRoutines, CopiesMoveOverlappingBlocksAndFill) { CheckBlockRoutines(Library()); }
TEST_P(CompilerRoutines, MeasureAndAppendStringsUpToTheLastReadableByte) { CheckStringRoutines(Library()); }
TEST_P(CompilerRoutines, CompareGivesTheDifferenceOfTheFirstUnequalBytes) { CheckCompare(Library()); }
TEST_P(CompilerRoutines, MemcmpCallersOfEveryShapePassTheArgumentsAndBalanceTheStack) { CheckMemcmpCallers(Library()); }
