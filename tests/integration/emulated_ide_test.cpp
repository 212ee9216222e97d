// The emulated IDE loads its packages and experts from the registry, does
// its start-up work in its design packages and ends cleanly, with and
// without Toravex10.dll as an expert.
#include <gtest/gtest.h>

#include <algorithm>

#include "TestSupport.h"

using namespace testsupport;

namespace {

// Each test run uses its own registry root (the IDE's -r switch).
class EmulatedIdeTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = "ToravexTest" + std::to_string(GetCurrentProcessId());
        key_ = "Software\\Borland\\" + root_ + "\\4.0";
        log_ = TempDir() + "\\ide-" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";
        DeleteFileA(log_.c_str());
        DeleteKeyTree("Software\\Borland\\" + root_);
    }
    void TearDown() override { DeleteKeyTree("Software\\Borland\\" + root_); }

    int RunIde() {
        return RunProgram(EmulatedIdeDir(100) + "\\bds.exe", "-r" + root_ + " -autoclose:200 -log:" + log_);
    }
    std::vector<std::string> Log() { return ReadLines(log_); }
    bool Logged(const std::string& line) {
        auto lines = Log();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    // The lines that start with prefix.
    std::vector<std::string> LinesStartingWith(const std::string& prefix) {
        std::vector<std::string> found;
        for (const std::string& line : Log())
            if (line.rfind(prefix, 0) == 0) found.push_back(line);
        return found;
    }
    // "packages=N checksum=X" of the workload line, without its time.
    std::string WorkloadResult() {
        auto lines = LinesStartingWith("workload ");
        if (lines.size() != 1) return "no single workload line";
        return lines[0].substr(0, lines[0].find(" ms="));
    }

    std::string root_, key_, log_;
};

}  // namespace

TEST_F(EmulatedIdeTest, LoadsToravexAsAnExpertAndEndsCleanly) {
    const std::string library = BinDir() + "\\Toravex10.dll";
    WriteString(key_ + "\\Experts", "Toravex", library);

    EXPECT_EQ(RunIde(), 0);
    EXPECT_TRUE(Logged("expert-load " + library));
    EXPECT_TRUE(Logged("expert-init " + library + " result=1 terminate=set"));
    EXPECT_TRUE(Logged("mainwindow-visible"));
    EXPECT_TRUE(Logged("expert-terminate " + library));
    EXPECT_TRUE(Logged("exit 0"));

    // The start-up work gives the same results with the plug-in in place.
    const std::string withPlugin = WorkloadResult();
    DeleteFileA(log_.c_str());
    DeleteKeyTree(key_ + "\\Experts");
    EXPECT_EQ(RunIde(), 0);
    EXPECT_EQ(WorkloadResult(), withPlugin);
}

TEST_F(EmulatedIdeTest, DesignPackagesDoTheStartUpWorkAndTheIdeReportsItsTime) {
    EXPECT_EQ(RunIde(), 0);
    EXPECT_EQ(LinesStartingWith("design-load ").size(), 30u);
    EXPECT_EQ(LinesStartingWith("design-load " + EmulatedIdeDir(100) + "\\dclemu01.bpl").size(), 1u);
    EXPECT_EQ(WorkloadResult().rfind("workload packages=30 checksum=", 0), 0u) << WorkloadResult();
    auto startup = LinesStartingWith("startup ms=");
    ASSERT_EQ(startup.size(), 1u);
    EXPECT_GE(std::stoi(startup[0].substr(11)), 0);
    EXPECT_EQ(LinesStartingWith("design-unload ").size(), 30u);
    EXPECT_TRUE(Logged("exit 0"));
}

TEST_F(EmulatedIdeTest, APackageRepeatingAUnitOfAnotherFailsToLoadAndTheIdeGoesOn) {
    const std::string first = EmulatedIdeDir(100) + "\\dclemu01.bpl", dup = EmulatedIdeDir(100) + "\\dclemudup.bpl";
    WriteString(key_ + "\\Known Packages", first, "first");
    WriteString(key_ + "\\Known Packages", dup, "repeats a unit of the first");

    EXPECT_EQ(RunIde(), 0);
    EXPECT_TRUE(Logged("design-load " + first));
    EXPECT_TRUE(Logged("design-load " + dup + " failed: Cannot load package 'dclemudup.'  It contains unit "
                       "'EmuReg01,' which is also contained in package 'dclemu01'"));
    EXPECT_EQ(WorkloadResult().rfind("workload packages=1 ", 0), 0u) << WorkloadResult();
    EXPECT_TRUE(Logged("exit 0"));
}

TEST_F(EmulatedIdeTest, MissingKnownPackageIsSkippedAndTheIdeStillStarts) {
    const std::string missing = TempDir() + "\\NoSuchPackage100.bpl";
    WriteString(key_ + "\\Known IDE Packages", missing, "Missing package");

    EXPECT_EQ(RunIde(), 0);
    auto lines = Log();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[1].rfind("package-load " + missing + " failed", 0), 0u) << lines[1];
    EXPECT_TRUE(Logged("mainwindow-visible"));
    EXPECT_TRUE(Logged("exit 0"));
}
