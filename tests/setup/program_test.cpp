// The installer program on the real registry: an unattended install in
// capitals with the options as stored, an unattended uninstall that leaves
// nothing, and the window of a run without parameters.
#include <gtest/gtest.h>

#include "InstalledIde.h"
#include "RegistryAccess.h"
#include "SetupTestSupport.h"

using namespace setuptest;
using Names = std::vector<std::string>;

namespace {

const std::string kPackages = std::string(kIdeKey) + "\\Known IDE Packages";
const std::string kExperts = std::string(kIdeKey) + "\\Experts";

std::optional<uint32_t> Option(const char* name) {
    return setup::Win32Registry().ReadDword(Hive::CurrentUser, kOptionsKey, name);
}

}  // namespace

TEST(SetupProgram, UnattendedInstallKeepsTheStoredOptionsAndUninstallLeavesNothing) {
    InstalledIde ide;
    using testsupport::WriteDword;
    WriteDword(kOptionsKey, "HookAllDlls", 2);
    WriteDword(kOptionsKey, "NoFastObj", 1);
    WriteDword(kOptionsKey, "HookBplOnly", 0);
    WriteDword(kOptionsKey, "ThreadSafeStrings", 0);
    WriteDword(kOptionsKey, "FastQuit", 1);
    testsupport::WriteString(kPackages, "C:\\Packages\\A.bpl", "Package A");

    ASSERT_EQ(testsupport::RunProgram(InstalledIde::Setup(), "/INSTALL"), 0);
    EXPECT_EQ(Option("HookAllDlls"), 1u);
    EXPECT_EQ(Option("NoFastObj"), 1u);
    EXPECT_EQ(Option("HookBplOnly"), 0u);
    EXPECT_EQ(Option("NoFastSys"), 0u);
    EXPECT_EQ(Option("BlendedFastCode"), 0u);
    for (const char* gone : {"ThreadSafeStrings", "FastQuit", "SetShortCuts"}) EXPECT_FALSE(Option(gone)) << gone;

    const std::string folder = InstalledIde::Folder() + "\\";
    EXPECT_TRUE(FileExists(folder + "Toravex10.dll") && FileExists(folder + "ToravexLoader10.bpl"));
    std::string data;
    EXPECT_TRUE(testsupport::ReadString(kExperts, "Toravex", data) && data == folder + "Toravex10.dll");
    EXPECT_TRUE(testsupport::ReadString(kPackages, folder + "ToravexLoader10.bpl", data) && data == "Toravex");
    EXPECT_TRUE(testsupport::ReadString(kPackages, "C:\\Packages\\A.bpl", data) && data == "Package A");

    ASSERT_EQ(testsupport::RunProgram(InstalledIde::Setup(), "/uninstall"), 0);
    EXPECT_FALSE(FileExists(InstalledIde::Folder()));
    EXPECT_FALSE(testsupport::KeyExists(kOptionsKey));
    EXPECT_TRUE(setup::Win32Registry().ValueNames(Hive::CurrentUser, kExperts).empty());
    EXPECT_EQ(setup::Win32Registry().ValueNames(Hive::CurrentUser, kPackages), Names{"C:\\Packages\\A.bpl"});
}

TEST(SetupProgram, WithoutParametersTheWindowOpensAndQuitEndsTheProgram) {
    InstalledIde ide;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string commandLine = InstalledIde::Setup();
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process));
    HWND window = nullptr;
    for (int i = 0; i < 500 && !window; ++i, Sleep(20))
        window = FindWindowA("TFormMain", "Install Toravex 2.35 for Delphi 10");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsWindowVisible(window));
    SendMessageA(FindWindowExA(window, nullptr, "Button", "&Quit"), BM_CLICK, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_FALSE(testsupport::KeyExists(kOptionsKey)) << "closing the window writes nothing";
}
