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

namespace {

toravex::StoredTuning SampleTuning() {
    toravex::StoredTuning t;
    t.vendor = "UMC UMC UMC ";  // the one vendor string with a blank
    t.family = 15;
    t.model = 107;
    t.stepping = 2;
    t.features = 0xF3FF;
    t.largeMoveBytes = 0x7FFFFFFF;
    t.choices = {{"CompareStr", "CompareStrB"}, {"Move", "MoveSSE3"}, {"Max", "MaxA"}};
    return t;
}

}  // namespace

TEST_F(OptionsTest, TunedRoutinesReadBackAsWrittenAndAnythingOddCountsAsMissing) {
    const toravex::StoredTuning sample = SampleTuning();
    const std::string text = toravex::FormatTuning(sample);
    EXPECT_EQ(text,
              "vendor=UMC UMC UMC ;family=15;model=107;stepping=2;features=0xF3FF;LargeMove=2147483647;"
              "CompareStr=CompareStrB;Move=MoveSSE3;Max=MaxA");
    EXPECT_EQ(toravex::ParseTuning(text), sample);
    EXPECT_EQ(toravex::ParseTuning("LargeMove=0;features=0x0;stepping=0;model=0;family=0;vendor="),
              toravex::StoredTuning{}) << "any order; an unrecognised vendor and no slots parse";

    const std::string identity = "vendor=GenuineIntel;family=6;model=85;stepping=4;features=0x03FF;LargeMove=1024";
    const char* const malformed[] = {
        "",
        "family=6;model=85;stepping=4;features=0x03FF;LargeMove=1024",  // no vendor
        "vendor=GenuineIntel;model=85;stepping=4;features=0x03FF;LargeMove=1024",  // no family
        "vendor=GenuineIntel;family=6;model=85;stepping=4;features=0x03FF",  // no LargeMove
        ";vendor=GenuineIntel;family=6;model=85;stepping=4;features=0x03FF;LargeMove=1024",
        "vendor=GenuineIntel;family=6;model=85;stepping=4;features=0x03FF;LargeMove=1024;",
        "vendor=GenuineIntel;vendor=AuthenticAMD;family=6;model=85;stepping=4;features=0x03FF;LargeMove=1024",
        "vendor=GenuineIntel ;family=6;model=85;stepping=4;features=0x03FF;LargeMove=1024",  // 13 characters
        "vendor=GenuineIntel;family=256;model=85;stepping=4;features=0x03FF;LargeMove=1024",
        "vendor=GenuineIntel;family=-6;model=85;stepping=4;features=0x03FF;LargeMove=1024",
        "vendor=GenuineIntel;family= 6;model=85;stepping=4;features=0x03FF;LargeMove=1024",
        "vendor=GenuineIntel;family=0x6;model=85;stepping=4;features=0x03FF;LargeMove=1024",
        "vendor=GenuineIntel;family=6;model=85;stepping=16;features=0x03FF;LargeMove=1024",
        "vendor=GenuineIntel;family=6;model=;stepping=4;features=0x03FF;LargeMove=1024",
        "vendor=GenuineIntel;family=6;model=85;stepping=4;features=03FF;LargeMove=1024",
        "vendor=GenuineIntel;family=6;model=85;stepping=4;features=0x;LargeMove=1024",
        "vendor=GenuineIntel;family=6;model=85;stepping=4;features=0x10000;LargeMove=1024",
        "vendor=GenuineIntel;family=6;model=85;stepping=4;features=0x03FG;LargeMove=1024",
        "vendor=GenuineIntel;family=6;model=85;stepping=4;features=0x03FF;LargeMove=2147483648",
        "vendor=GenuineIntel;family=6;model=85;stepping=4;features=0x03FF;LargeMove=-1",
        "vendor=GenuineIntel;family=6;model=85;stepping=4;features=0x03FF;LargeMove=99999999999",
    };
    for (const char* text : malformed) EXPECT_FALSE(toravex::ParseTuning(text).has_value()) << text;
    const char* const badSlots[] = {"CompareStr", "CompareStr=", "=CompareStrB", "Compare Str=CompareStrB",
                                    "CompareStr=CompareStr-B", "CompareStr=CompareStrB;CompareStr=CompareStrC",
                                    "CompareStr=A=B"};
    for (const char* slots : badSlots) EXPECT_FALSE(toravex::ParseTuning(identity + ";" + slots).has_value()) << slots;
    EXPECT_TRUE(toravex::ParseTuning(identity + ";CompareStr=CompareStrB;StrLen=StrLenC").has_value());

    // From the registry: only a string of sensible length that parses.
    EXPECT_FALSE(toravex::ReadTuning().has_value()) << "no key";
    WriteSz("TunedRoutines", text);
    EXPECT_EQ(toravex::ReadTuning(), sample);
    WriteSz("TunedRoutines", text + ";StrLen=" + std::string(2048, 'C'));
    EXPECT_FALSE(toravex::ReadTuningText().has_value()) << "too long to be ours";
    WriteSz("TunedRoutines", text + ";");
    EXPECT_TRUE(toravex::ReadTuningText().has_value());
    EXPECT_FALSE(toravex::ReadTuning().has_value());
    WriteDword(kKey, "TunedRoutines", 1);
    EXPECT_FALSE(toravex::ReadTuningText().has_value()) << "a DWORD is not ours";
    EXPECT_FALSE(toravex::ReadTuning().has_value());
}
