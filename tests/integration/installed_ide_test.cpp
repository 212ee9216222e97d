// Toravex installed by "ToravexSetup10 /INSTALL" on the real IDE key (the
// options as stored), started by the emulated IDE: the loader package brings
// the library in while the IDE loads its packages, the expert list finds it
// loaded, the IDE ends cleanly; without the library the loader says so once
// and the IDE still starts; "/uninstall" leaves no entry and no file.
//
// Under Wine the registry lists values sorted by name, so the order of the
// IDE's lists is shown by the installer's tests on a registry that keeps
// creation order; here a probe expert named to come before "Toravex" reports
// what the expert list finds.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>

#include "../loader/MessageBoxes.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

const std::string kIdeKey = "Software\\Borland\\BDS\\4.0";
const std::string kExperts = kIdeKey + "\\Experts";
const std::string kPackages = kIdeKey + "\\Known IDE Packages";
const std::string kOptions = "Software\\Kalvoro\\Toravex\\10";
const std::string kOtherPackage = "C:\\Packages\\A.bpl";

std::string InstallFolder() {
    char appData[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, appData);
    return std::string(appData) + "\\Toravex";
}

DWORD Option(const char* name) {
    DWORD value = 99, size = sizeof value;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kOptions.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return 99;
    RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return value;  // 99: missing
}

class InstalledIdeTest : public ::testing::Test {
protected:
    // The IDE's key under HKEY_LOCAL_MACHINE with "RootDir" at the emulated
    // IDE, nothing of Toravex anywhere, options from an earlier install.
    void SetUp() override {
        TearDown();
        HKEY key;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, kIdeKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        const std::string root = EmulatedIdeDir(100).substr(0, EmulatedIdeDir(100).size() - 4);  // without "\bin"
        RegSetValueExA(key, "RootDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(root.c_str()),
                       static_cast<DWORD>(root.size() + 1));
        RegCloseKey(key);
        WriteString(kPackages, kOtherPackage, "Package A");
        for (auto [name, value] : {std::pair{"HookAllDlls", 2}, {"NoFastObj", 1}, {"HookBplOnly", 0},
                                   {"ThreadSafeStrings", 0}, {"FastQuit", 1}})
            WriteDword(kOptions, name, value);

        ASSERT_EQ(RunProgram(BinDir() + "\\ToravexSetup10.exe", "/INSTALL"), 0);
        folder_ = InstallFolder() + "\\";
        std::string data;
        ASSERT_TRUE(ReadString(kExperts, "Toravex", data) && data == folder_ + "Toravex10.dll");
        ASSERT_TRUE(ReadString(kPackages, folder_ + "ToravexLoader10.bpl", data) && data == "Toravex");
        log_ = TempDir() + "\\ide.log";
        DeleteFileA(log_.c_str());
    }
    void TearDown() override {
        DeleteKeyTree(kIdeKey);
        DeleteKeyTree(kOptions);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kIdeKey.c_str());
        for (const char* name : {"\\Toravex10.dll", "\\ToravexLoader10.bpl"})
            DeleteFileA((InstallFolder() + name).c_str());
        RemoveDirectoryA(InstallFolder().c_str());
    }

    // Starts the IDE of the real key, answers every "Toravex Loader" message
    // it shows and returns them.
    std::vector<std::string> RunIde() {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        std::string commandLine = EmulatedIdeDir(100) + "\\bds.exe -autoclose:100 -log:" + log_;
        if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process))
            return {"<no start>"};
        std::vector<std::string> messages = loadertest::AnswerMessageBoxes(
            process.dwProcessId, "Toravex Loader",
            [&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; });
        WaitForSingleObject(process.hProcess, 10000);
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        EXPECT_EQ(code, 0u);
        return messages;
    }
    // The index of the first log line that starts with `line`, or -1.
    long Line(const std::string& line) {
        auto lines = ReadLines(log_);
        auto it = std::find_if(lines.begin(), lines.end(), [&](const auto& l) { return l.rfind(line, 0) == 0; });
        return it == lines.end() ? -1 : static_cast<long>(it - lines.begin());
    }
    void ExpectUninstallLeavesNothing() {
        ASSERT_EQ(RunProgram(BinDir() + "\\ToravexSetup10.exe", "/uninstall"), 0);
        std::string data;
        EXPECT_FALSE(ReadString(kExperts, "Toravex", data));
        EXPECT_FALSE(ReadString(kPackages, folder_ + "ToravexLoader10.bpl", data));
        EXPECT_TRUE(ReadString(kPackages, kOtherPackage, data) && data == "Package A");
        EXPECT_FALSE(KeyExists(kOptions));
        EXPECT_EQ(GetFileAttributesA(InstallFolder().c_str()), INVALID_FILE_ATTRIBUTES);
    }

    std::string folder_, log_;
};

}  // namespace

TEST_F(InstalledIdeTest, TheLoaderBringsTheLibraryInFirstAndTheExpertListFindsItLoaded) {
    // Unattended, the options as they were stored; what the plug-in does not
    // read from the installer is gone.
    EXPECT_EQ(Option("HookAllDlls"), 1u);
    EXPECT_EQ(Option("NoFastObj"), 1u);
    EXPECT_EQ(Option("HookBplOnly"), 0u);
    EXPECT_EQ(Option("NoFastSys") + Option("BlendedFastCode"), 0u);
    for (const char* gone : {"ThreadSafeStrings", "FastQuit", "SetShortCuts"}) EXPECT_EQ(Option(gone), 99u) << gone;

    // The probe expert comes before "Toravex" in either order of the
    // registry: by name here, by age on Windows.
    const std::string probe = TempDir() + "\\LoaderProbe.dll";
    CopyFileA((BuildDir() + "\\tests\\LoaderProbe.dll").c_str(), probe.c_str(), FALSE);
    DeleteFileA((probe + ".log").c_str());
    const std::string library = folder_ + "Toravex10.dll";
    DeleteKeyTree(kExperts);
    WriteString(kExperts, "LoaderProbe", probe);
    WriteString(kExperts, "Toravex", library);

    EXPECT_TRUE(RunIde().empty());
    const std::string loader = folder_ + "ToravexLoader10.bpl";
    EXPECT_GT(Line("package-init " + loader), Line("package-load " + loader));
    EXPECT_GT(Line("expert-load " + library), Line("package-init " + loader));
    EXPECT_GT(Line("expert-init " + library + " result=1 terminate=set"), 0);
    EXPECT_GT(Line("exit 0"), 0);
    // Loaded by the loader's two loads and pinned once by its start-up before
    // the expert list reached it; the same three references when the IDE ends.
    EXPECT_EQ(ReadLines(probe + ".log"),
              (std::vector<std::string>{"init loaded=1 references=3", "terminate loaded=1 references=3"}));
    ExpectUninstallLeavesNothing();
}

TEST_F(InstalledIdeTest, WithoutTheLibraryTheLoaderSaysSoOnceAndTheIdeStillStarts) {
    ASSERT_TRUE(DeleteFileA((folder_ + "Toravex10.dll").c_str()));
    EXPECT_EQ(RunIde(), std::vector<std::string>{"Cannot load Toravex10.dll|OK"});
    EXPECT_GT(Line("package-init " + folder_ + "ToravexLoader10.bpl"), 0);
    EXPECT_GT(Line("expert-load " + folder_ + "Toravex10.dll failed"), 0);
    EXPECT_GT(Line("mainwindow-visible"), 0);
    EXPECT_GT(Line("exit 0"), 0);
    ExpectUninstallLeavesNothing();
}
