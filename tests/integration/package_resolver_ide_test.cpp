// The package import resolver in the emulated IDE with Toravex as its
// expert: a user's session of installing and removing design packages once
// the IDE has started (-packages:). Builds 90 and 70 check new packages
// against the unit index (the error names the other package's file, flagged
// units are not checked, the executable's packages are indexed); build 100
// leaves the check to the runtime, whose error names the package alone.
#include <gtest/gtest.h>

#include <algorithm>

#include "TestSupport.h"

using namespace testsupport;

namespace {

class PackageResolverIde : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        build_ = GetParam();
        root_ = "ToravexResolver" + std::to_string(GetCurrentProcessId());
        key_ = "Software\\Borland\\" + root_ + (build_ == 100 ? "\\4.0" : build_ == 90 ? "\\3.0" : "\\7.0");
        log_ = TempDir() + "\\resolver-" + std::to_string(build_) + ".log";
        DeleteFileA(log_.c_str());
        DeleteKeyTree("Software\\Borland\\" + root_);
    }
    void TearDown() override { DeleteKeyTree("Software\\Borland\\" + root_); }

    std::string File(const std::string& name) const { return EmulatedIdeDir(build_) + "\\" + name; }
    std::string Library() const { return BinDir() + "\\Toravex" + std::to_string(build_ / 10) + ".dll"; }
    bool Indexed() const { return build_ != 100; }

    // "design-load <file> failed: ..." for a unit another package holds:
    // the unit index names that package's file, the runtime its name.
    std::string Refused(const std::string& file, const std::string& unit, const std::string& other) const {
        std::string package = file.substr(0, file.find('.'));
        std::string holder = Indexed() ? File(other) : other.substr(0, other.find('.'));
        return "design-load " + File(file) + " failed: Cannot load package '" + package + ".'  It contains unit '" +
               unit + ",' which is also contained in package '" + holder + "'";
    }

    int build_ = 0;
    std::string root_, key_, log_;
};

}  // namespace

TEST_P(PackageResolverIde, ChecksAndForgetsDesignPackagesAsTheUserInstallsAndRemovesThem) {
    const std::string core = build_ == 100 ? "coreide100.bpl" : build_ == 90 ? "coreide90.bpl" : "coreide70.bpl";
    WriteString(key_ + "\\Experts", "Toravex", Library());
    WriteString(key_ + "\\Known Packages", File("dclemu01.bpl"), "first");
    const std::string exe = EmulatedIdeDir(build_) + (build_ >= 90 ? "\\bds.exe" : "\\delphi32.exe");
    ASSERT_EQ(RunProgram(exe, "-r" + root_ + " -autoclose:900 -log:" + log_ +
                                  " -packages:load=dclemudup.bpl,load=dclemudup2.bpl,load=dclemuflags.bpl,"
                                  "load=dclemuflagmate.bpl,load=dclemucoredup.bpl,load=dclemu01.bpl,"
                                  "release=dclemu01.bpl,load=dclemuskip.bpl,release=dclemu01.bpl,"
                                  "release=dclemudup2.bpl,load=dclemudup.bpl,load=dclemuset.bpl,release=dclemuset.bpl"),
              0);
    std::vector<std::string> expected = {
        "expert-init " + Library() + " result=1 terminate=set",
        "design-load " + File("dclemu01.bpl"),
        "mainwindow-visible",
        // Refused at its second unit; its first leaves the index with it.
        Refused("dclemudup.bpl", "EmuReg01", "dclemu01.bpl"),
        "design-load " + File("dclemudup2.bpl"),
        // Flagged units: checked by the runtime, not by the unit index.
        Indexed() ? "design-load " + File("dclemuflags.bpl") : Refused("dclemuflags.bpl", "EmuDesign01", "dclemu01.bpl"),
        "design-load " + File("dclemuflagmate.bpl"),
        // A unit of the core package, which the IDE executable imports.
        Refused("dclemucoredup.bpl", "EmuCoreIde", core),
        // A second load, released while the first still holds the package.
        "design-load " + File("dclemu01.bpl"),
        "design-release " + File("dclemu01.bpl") + " still-loaded",
        "design-load " + File("dclemuskip.bpl"),
        // Released for good: its unit loads from another package.
        "design-release " + File("dclemu01.bpl") + " unloaded",
        "design-release " + File("dclemudup2.bpl") + " unloaded",
        "design-load " + File("dclemudup.bpl"),
        "design-load " + File("dclemuset.bpl"),
        "design-release " + File("dclemuset.bpl") + " unloaded",
        "packages-changed",
        "autoclose",
        "close",
        "design-unload " + File("dclemudup.bpl"),
        "design-unload " + File("dclemuskip.bpl"),
        "design-unload " + File("dclemuflagmate.bpl"),
    };
    if (Indexed()) expected.push_back("design-unload " + File("dclemuflags.bpl"));
    expected.push_back("exit 0");

    std::vector<std::string> lines = ReadLines(log_);
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [](const std::string& l) {
                                   return !(l.rfind("design-", 0) == 0 || l.rfind("expert-init", 0) == 0 ||
                                            l == "mainwindow-visible" || l == "packages-changed" ||
                                            l == "autoclose" || l == "close" || l == "exit 0");
                               }),
                lines.end());
    EXPECT_EQ(lines, expected);
}

INSTANTIATE_TEST_SUITE_P(Builds, PackageResolverIde, ::testing::Values(90, 70, 100),
                         [](const ::testing::TestParamInfo<int>& info) { return "Build" + std::to_string(info.param); });
