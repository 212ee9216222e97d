// The emulated IDE's package manager: design packages released and loaded
// while the IDE runs (-packages:), with the runtime's own duplicate-unit
// check, in the IDE builds that have a package unit index in Toravex (90,
// 70) and the one that has not (100).
#include <gtest/gtest.h>

#include <algorithm>

#include "TestSupport.h"

using namespace testsupport;

namespace {

class PackageManagerIde : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        build_ = GetParam();
        version_ = build_ == 100 ? "4.0" : build_ == 90 ? "3.0" : "7.0";
        root_ = "ToravexPkgMgr" + std::to_string(GetCurrentProcessId());
        key_ = "Software\\Borland\\" + root_ + "\\" + version_;
        log_ = TempDir() + "\\packages-" + std::to_string(build_) + ".log";
        DeleteFileA(log_.c_str());
        DeleteKeyTree("Software\\Borland\\" + root_);
    }
    void TearDown() override { DeleteKeyTree("Software\\Borland\\" + root_); }

    std::string Exe() const { return EmulatedIdeDir(build_) + (build_ >= 90 ? "\\bds.exe" : "\\delphi32.exe"); }
    std::string File(const std::string& name) const { return EmulatedIdeDir(build_) + "\\" + name; }
    int RunIde(const std::string& changes) {
        return RunProgram(Exe(), "-r" + root_ + " -autoclose:700 -log:" + log_ + " -packages:" + changes);
    }
    // The log from the first line that starts with `from` on.
    std::vector<std::string> LogFrom(const std::string& from) {
        std::vector<std::string> lines = ReadLines(log_);
        auto it = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(from, 0) == 0; });
        return std::vector<std::string>(it, lines.end());
    }

    int build_ = 0;
    std::string version_, root_, key_, log_;
};

}  // namespace

// A user's session: the package loaded a second time and released once
// stays, so its units still clash; released again it is gone and its unit
// loads from another package; a package set goes as a whole.
TEST_P(PackageManagerIde, ReleasesAndLoadsDesignPackagesWhileRunning) {
    WriteString(key_ + "\\Known Packages", File("dclemu01.bpl"), "first");
    ASSERT_EQ(RunIde("load=dclemu01.bpl,release=dclemu01.bpl,load=dclemudup.bpl,release=dclemu01.bpl,"
                     "load=dclemudup.bpl,release=dclemudup.bpl,release=dclemudup.bpl,load=dclemuset.bpl,"
                     "release=dclemuset.bpl"),
              0);
    const std::vector<std::string> expected = {
        "mainwindow-visible",
        "design-load " + File("dclemu01.bpl"),
        "design-release " + File("dclemu01.bpl") + " still-loaded",
        "design-load " + File("dclemudup.bpl") +
            " failed: Cannot load package 'dclemudup.'  It contains unit 'EmuReg01,' which is also contained in "
            "package 'dclemu01'",
        "design-release " + File("dclemu01.bpl") + " unloaded",
        "design-load " + File("dclemudup.bpl"),
        "design-release " + File("dclemudup.bpl") + " unloaded",
        "design-release " + File("dclemudup.bpl") + " not-held",
        "design-load " + File("dclemuset.bpl"),
        "design-release " + File("dclemuset.bpl") + " unloaded",
        "packages-changed",
        "autoclose",
        "close",
        "exit 0",
    };
    std::vector<std::string> lines = LogFrom("mainwindow-visible");
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [](const std::string& l) {
                                   // Not the package manager's: the VCL application's lines as it ends.
                                   for (const char* other : {"expert-", "package-", "terminate-proc ", "destroy ",
                                                             "action-updates ", "palette ", "finalization "})
                                       if (l.rfind(other, 0) == 0) return true;
                                   return false;
                               }),
                lines.end());
    EXPECT_EQ(lines, expected);
}

INSTANTIATE_TEST_SUITE_P(Builds, PackageManagerIde, ::testing::Values(100, 90, 70),
                         [](const ::testing::TestParamInfo<int>& info) { return "Build" + std::to_string(info.param); });
