// The emulated compiler libraries compute what a C runtime computes: each
// routine of both rows of the shared table over generated inputs, memcmp
// through every caller shape, and a whole compile of the generated project.
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

TEST(EmulatedCompilerLibraries, CompileTheProjectAlikeInEveryBuild) {
    uint32_t checksum = 0;
    for (int version : {100, 70}) {
        const EmulatedCompilers& c = LoadEmulatedCompilers(version);
        auto compile = c.Export<emucompiler::DccCompileProc>(c.dcc, "DccCompile");
        ASSERT_NE(compile, nullptr);
        emucompiler::CompileResult r{}, again{};
        ASSERT_TRUE(compile(CompilerProjectFile().c_str(), &r));
        EXPECT_EQ(r.units, 1000u);
        EXPECT_EQ(r.found, 980u) << "every fiftieth unit exists nowhere";
        EXPECT_GT(r.lookups, 3u * r.units);
        EXPECT_GT(r.readonly, 100u);
        ASSERT_TRUE(compile(CompilerProjectFile().c_str(), &again));
        EXPECT_EQ(again.checksum, r.checksum);
        if (checksum) {
            EXPECT_EQ(r.checksum, checksum) << "other routine bytes, the same results";
        }
        checksum = r.checksum;
        emucompiler::CompileResult none{};
        EXPECT_FALSE(compile((testsupport::TempDir() + "\\NoProject.units").c_str(), &none));
    }
}
