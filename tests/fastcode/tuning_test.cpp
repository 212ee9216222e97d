// toravex-cpuinfo --tune: how it decides on given figures, and that what it
// stores is what the plug-in accepts for this processor.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "TestSupport.h"
#include "TuningRules.h"
#include "base/BuildProfile.h"
#include "base/Options.h"
#include "fastcode/FastcodeCPUID.h"
#include "fastcode/TunedRoutines.h"

using namespace tuning;

TEST(TuningRules, TheFastestMeanWinsUnlessTheTablesIsWithinTheTieMargin) {
    EXPECT_NEAR(GeometricMean(std::vector<double>{2, 8}), 4, 1e-9);
    EXPECT_NEAR(GeometricMean(std::vector<double>{1, 10, 100}), 10, 1e-9);
    EXPECT_EQ(GeometricMean({}), 0);

    struct Case {
        std::vector<double> means;
        size_t table;
        size_t chosen;
    } const cases[] = {
        {{100, 98, 97.5}, 1, 1},  // 0.5% faster: a tie
        {{100, 98, 94}, 1, 2},    // 4% faster
        {{100, 98, 90}, 0, 2},
        {{90, 98, 100}, 0, 0},    // the table's is the fastest
        {{100, 98, 90}, npos, 2}, // the table's variant does not run here
        {{7}, 0, 0},
        {{}, npos, npos},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseVariant(c.means, c.table), c.chosen) << c.means.size() << " variants, table " << c.table;
}

TEST(TuningRules, LargeMovesBypassTheCacheFromTheSizeOnWhichTheBypassingLoopsKeepWinning) {
    const std::vector<int32_t> sizes = {1 << 20, 2 << 20, 4 << 20, 8 << 20, 16 << 20};
    const std::vector<double> ordinary = {100, 200, 400, 800, 1600};
    struct Case {
        const char* what;
        std::vector<double> bypass;
        int32_t tableBytes;
        int32_t bytes;
    } const cases[] = {
        {"from 8 MB", {150, 300, 500, 700, 1400}, 512 << 10, 4 << 20},
        {"at 2 MB by chance, then from 16 MB", {150, 190, 500, 900, 1400}, 512 << 10, 8 << 20},
        {"never", {150, 300, 500, 900, 1700}, 512 << 10, 16 << 20},
        {"at 16 MB only", {150, 300, 500, 900, 1500}, 512 << 10, 8 << 20},
        {"everywhere, the table's smaller size stands", {90, 190, 390, 790, 1590}, 512 << 10, 512 << 10},
        {"everywhere, the table's is larger", {90, 190, 390, 790, 1590}, 4 << 20, 1 << 20},
        {"a tie is no win", {100, 200, 400, 800, 1600}, 512 << 10, 16 << 20},
    };
    for (const Case& c : cases) EXPECT_EQ(LargeMoveBytes(sizes, ordinary, c.bypass, c.tableBytes), c.bytes) << c.what;
    EXPECT_EQ(LargeMoveBytes({}, {}, {}, 12345), 12345);
}

TEST(TuningTool, StoresWhatThePluginUsesOnThisProcessorAndRemovesItAgain) {
    const std::string key = std::string(toravex::Profile().optionsKey).substr(1);
    const std::string tool = testsupport::BuildDir() + "\\tools\\toravex-cpuinfo.exe";
    testsupport::DeleteKeyTree(key);
    // The emulated runtime package on the search path, as the IDE's is.
    const char* searchPath = std::getenv("PATH");
    const std::string path = testsupport::EmulatedIdeDir(100) + ";" + (searchPath ? searchPath : "");
    SetEnvironmentVariableA("PATH", path.c_str());

    ASSERT_EQ(testsupport::RunProgram(tool, "--tune --quick", 600000), 0);
    toravex::PrepareProcessorDetection();
    const std::optional<toravex::StoredTuning> stored = toravex::ReadTuning();
    ASSERT_TRUE(stored.has_value());
    toravex::TunedRoutines tuned;
    EXPECT_EQ(toravex::ResolveTuning(*stored, toravex::Processor, tuned), nullptr);
    EXPECT_GT(stored->largeMoveBytes, 0);

    EXPECT_EQ(testsupport::RunProgram(tool, ""), 0);
    EXPECT_EQ(testsupport::RunProgram(tool, "--untune"), 0);
    EXPECT_FALSE(toravex::ReadTuningText().has_value());
    EXPECT_EQ(testsupport::RunProgram(tool, "--untune"), 0) << "nothing to remove is no error";
    EXPECT_EQ(testsupport::RunProgram(tool, "--quick"), 2);
    EXPECT_EQ(testsupport::RunProgram(tool, "--tune --untune"), 2);
    testsupport::DeleteKeyTree(key);
}
