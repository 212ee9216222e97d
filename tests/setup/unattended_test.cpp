// The unattended runs ("/install", "/uninstall") on a registry in memory and
// folders of the test: their exit codes, what they leave behind, the errors
// they report, and that they create no window.
#include <gtest/gtest.h>

#include "SetupTestSupport.h"
#include "Unattended.h"

using namespace setuptest;
using setup::UnattendedAction;

namespace {

const char kIdeKey[] = "\\Software\\Borland\\BDS\\4.0";
const char kExperts[] = "\\Software\\Borland\\BDS\\4.0\\Experts";
const char kPackages[] = "\\Software\\Borland\\BDS\\4.0\\Known IDE Packages";
const char kOptions[] = "\\Software\\Kalvoro\\Toravex\\10";

std::vector<std::string> gErrors;
void RecordError(const std::string& text) { gErrors.push_back(text); }

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

// The windows this thread owns: an unattended run makes none.
int ThreadWindows() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), &CountWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

class UnattendedTest : public ::testing::Test {
protected:
    void SetUp() override {
        gErrors.clear();
        platform_.appData = NewFolder("appdata");
        platform_.program = NewFolder("source") + "\\";
        for (const char* file : {"Toravex10.dll", "ToravexLoader10.bpl"}) Touch(platform_.program + file);
    }
    int Run(UnattendedAction action, int build = 100) {
        const int windows = ThreadWindows();
        const int code = setup::RunUnattended(action, setup::SetupProfileFor(build), registry_, platform_, &RecordError);
        EXPECT_EQ(ThreadWindows(), windows);
        return code;
    }
    std::string Installed(const char* file) { return platform_.appData + "\\Toravex\\" + file; }

    MemoryRegistry registry_;
    TestPlatform platform_;
};

}  // namespace

TEST(UnattendedAction, TheFirstParameterInAnyCaseChoosesTheRun) {
    const std::pair<const char*, UnattendedAction> cases[] = {
        {"/install", UnattendedAction::Install},     {"/INSTALL", UnattendedAction::Install},
        {"/Uninstall", UnattendedAction::Uninstall}, {"/UNINSTALL", UnattendedAction::Uninstall},
        {"install", UnattendedAction::None},         {"/installx", UnattendedAction::None},
        {"-install", UnattendedAction::None},        {"", UnattendedAction::None},
    };
    for (const auto& [parameter, action] : cases) EXPECT_EQ(setup::UnattendedActionOf(parameter), action) << parameter;
}

TEST_F(UnattendedTest, InstallWithTheStoredOptionsThenUninstallBothExitZero) {
    registry_.CreateKey(Hive::LocalMachine, kIdeKey);
    registry_.CreateKey(Hive::CurrentUser, kOptions);
    registry_.WriteDword(Hive::CurrentUser, kOptions, "HookAllDlls", 2);
    registry_.WriteDword(Hive::CurrentUser, kOptions, "FastQuit", 1);

    EXPECT_EQ(Run(UnattendedAction::Install), 0);
    EXPECT_TRUE(gErrors.empty());
    EXPECT_TRUE(FileExists(Installed("Toravex10.dll")) && FileExists(Installed("ToravexLoader10.bpl")));
    EXPECT_EQ(registry_.ReadString(Hive::CurrentUser, kExperts, "Toravex"), Installed("Toravex10.dll"));
    EXPECT_EQ(registry_.ReadString(Hive::CurrentUser, kPackages, Installed("ToravexLoader10.bpl")), "Toravex");
    EXPECT_EQ(registry_.ReadDword(Hive::CurrentUser, kOptions, "HookAllDlls"), 1u) << "the stored option, as 0/1";
    EXPECT_EQ(registry_.ReadDword(Hive::CurrentUser, kOptions, "HookBplOnly"), 1u) << "a default";
    EXPECT_FALSE(registry_.ValueExists(Hive::CurrentUser, kOptions, "FastQuit"));

    EXPECT_EQ(Run(UnattendedAction::Uninstall), 0);
    EXPECT_TRUE(gErrors.empty());
    EXPECT_FALSE(FileExists(platform_.appData + "\\Toravex"));
    EXPECT_FALSE(registry_.KeyExists(Hive::CurrentUser, kOptions));
    EXPECT_TRUE(registry_.ValueNames(Hive::CurrentUser, kExperts).empty());
    EXPECT_TRUE(registry_.ValueNames(Hive::CurrentUser, kPackages).empty());
}

TEST_F(UnattendedTest, FailuresExitOneWithTheErrorAndAnInstallWithoutTheIdeChangesNothing) {
    // No IDE of the build: the stored options stay as they were.
    registry_.CreateKey(Hive::CurrentUser, kOptions);
    registry_.WriteDword(Hive::CurrentUser, kOptions, "FastQuit", 1);
    EXPECT_EQ(Run(UnattendedAction::Install), 1);
    EXPECT_EQ(gErrors, (std::vector<std::string>{"Invalid Delphi/BCB 10 + installation. Cannot open registry key"}));
    EXPECT_EQ(registry_.ValueNames(Hive::CurrentUser, kOptions), (std::vector<std::string>{"FastQuit"}));
    EXPECT_FALSE(FileExists(platform_.appData + "\\Toravex"));

    // A file that cannot be copied stops the install where it is.
    gErrors.clear();
    registry_.CreateKey(Hive::LocalMachine, kIdeKey);
    DeleteFileA((platform_.program + "ToravexLoader10.bpl").c_str());
    EXPECT_EQ(Run(UnattendedAction::Install), 1);
    EXPECT_EQ(gErrors, (std::vector<std::string>{"Cannot copy file to " + Installed("ToravexLoader10.bpl")}));

    // The build for package version 50 serves two IDEs; with neither one
    // installed its uninstall fails.
    gErrors.clear();
    EXPECT_EQ(Run(UnattendedAction::Uninstall, 50), 1);
    EXPECT_EQ(gErrors, (std::vector<std::string>{"Invalid Delphi/BCB 5 installation. Cannot open registry key"}));
}
