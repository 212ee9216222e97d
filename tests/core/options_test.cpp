// Options read from the registry, and the switch of the other patcher.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "base/BuildProfile.h"
#include "base/Options.h"
#include "startup/Main.h"

using namespace testsupport;
using toravex::Options;

namespace {

const std::string kKey = std::string(toravex::Profile().optionsKey).substr(1);
const std::string kOtherPatcherKey = "Software\\CnPack\\CnWizards\\Active";

class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteKeyTree(kKey);
        DeleteKeyTree("Software\\CnPack");
        Options = {true, false, false, false};  // the opposite of every default
    }
    void TearDown() override {
        DeleteKeyTree(kKey);
        DeleteKeyTree("Software\\CnPack");
    }
    // Reads the options and returns which gated installations ran.
    std::vector<std::string> ReadAndListInstalls() {
        StepRecorder recorder;
        toravex::ReadOptions();
        std::vector<std::string> installs;
        for (const auto& s : recorder.Steps())
            if (s == "startup:InstallFastSys" || s == "startup:InstallFastObj") installs.push_back(s);
        return installs;
    }
};

void WriteSz(const std::string& name, const std::string& value) { WriteString(kKey, name, value); }

}  // namespace

TEST_F(OptionsTest, MissingKeyInstallsEverythingAndGivesTheDefaults) {
    EXPECT_EQ(ReadAndListInstalls(), (std::vector<std::string>{"startup:InstallFastSys", "startup:InstallFastObj"}));
    EXPECT_FALSE(Options.HookAllDlls);
    EXPECT_TRUE(Options.HookBplOnly);
    EXPECT_TRUE(Options.SetShortCuts);
    EXPECT_TRUE(Options.ThreadSafeStrings);
    EXPECT_FALSE(toravex::ReadBlendedFastCode());
}

TEST_F(OptionsTest, AnyNonZeroValueIsTrueAndZeroIsFalse) {
    WriteDword(kKey, "NoFastSys", 2);
    WriteDword(kKey, "NoFastObj", 0);
    WriteDword(kKey, "HookAllDlls", 7);
    WriteDword(kKey, "HookBplOnly", 0);
    WriteDword(kKey, "SetShortCuts", 0);
    WriteDword(kKey, "ThreadSafeStrings", 0);
    WriteDword(kKey, "BlendedFastCode", 1);
    EXPECT_EQ(ReadAndListInstalls(), (std::vector<std::string>{"startup:InstallFastObj"}));
    EXPECT_TRUE(Options.HookAllDlls);
    EXPECT_FALSE(Options.HookBplOnly);
    EXPECT_FALSE(Options.SetShortCuts);
    EXPECT_FALSE(Options.ThreadSafeStrings);
    EXPECT_TRUE(toravex::ReadBlendedFastCode());
}

TEST_F(OptionsTest, BothSwitchesOffInstallNeitherAndTheRestStillRuns) {
    WriteDword(kKey, "NoFastSys", 1);
    WriteDword(kKey, "NoFastObj", 1);
    StepRecorder recorder;
    toravex::ReadOptions();
    EXPECT_EQ(recorder.Steps(), (std::vector<std::string>{"startup:DisableOtherPatcher"}));
    EXPECT_TRUE(Options.HookBplOnly);
}

TEST_F(OptionsTest, ValueOfAnotherTypeCountsAsMissing) {
    WriteSz("NoFastSys", "1");
    WriteSz("HookBplOnly", "0");
    WriteSz("HookAllDlls", "1");
    WriteSz("BlendedFastCode", "1");
    EXPECT_EQ(ReadAndListInstalls(), (std::vector<std::string>{"startup:InstallFastSys", "startup:InstallFastObj"}));
    EXPECT_TRUE(Options.HookBplOnly);
    EXPECT_FALSE(Options.HookAllDlls);
    EXPECT_FALSE(toravex::ReadBlendedFastCode());
}

TEST_F(OptionsTest, OtherPatcherIsSwitchedOffOnlyWhereItsKeyExists) {
    toravex::ReadOptions();
    EXPECT_FALSE(KeyExists(kOtherPatcherKey));
    EXPECT_FALSE(KeyExists("Software\\CnPack"));

    WriteString(kOtherPatcherKey, "CnFastCodeWizard", "1");
    toravex::ReadOptions();
    std::string value;
    ASSERT_TRUE(ReadString(kOtherPatcherKey, "CnFastCodeWizard", value));
    EXPECT_EQ(value, "0");
}

TEST_F(OptionsTest, TheOptionsKeyIsNeverWritten) {
    toravex::ReadOptions();
    toravex::ReadBlendedFastCode();
    EXPECT_FALSE(KeyExists(kKey));
}
