// The emulated IDE loads its packages and experts from the registry and ends
// cleanly, with Toravex10.dll as an expert.
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
