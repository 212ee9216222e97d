// Toravex installed by its installer and started by the emulated IDE from
// the real IDE key: the loader package brings the library in while the IDE
// loads its packages, the expert list finds it loaded, the IDE ends cleanly;
// without the library the loader says so once and the IDE still starts; the
// uninstaller leaves no entry and no file.
//
// Under Wine the registry lists values sorted by name, so the order of the
// IDE's lists is shown by the installer's tests on a registry that keeps
// creation order; here a probe expert named to come before "Toravex" reports
// what the expert list finds.
#include <gtest/gtest.h>

#include <algorithm>

#include "../loader/MessageBoxes.h"
#include "../setup/InstalledIde.h"
#include "TestSupport.h"

using namespace testsupport;
using setuptest::InstalledIde;

namespace {

const std::string kExperts = std::string(setuptest::kIdeKey) + "\\Experts";
const std::string kPackages = std::string(setuptest::kIdeKey) + "\\Known IDE Packages";

class InstalledIdeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RunProgram(InstalledIde::Setup(), "/install"), 0);
        folder_ = InstalledIde::Folder() + "\\";
        log_ = TempDir() + "\\ide.log";
        DeleteFileA(log_.c_str());
    }
    // Starts the IDE of the real key and answers every "Toravex Loader"
    // message it shows; returns their texts.
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
    // The index of the first log line that starts with `line`.
    long Line(const std::string& line) {
        auto lines = ReadLines(log_);
        auto it = std::find_if(lines.begin(), lines.end(), [&](const auto& l) { return l.rfind(line, 0) == 0; });
        return it == lines.end() ? -1 : static_cast<long>(it - lines.begin());
    }
    void ExpectUninstallLeavesNothing() {
        ASSERT_EQ(RunProgram(InstalledIde::Setup(), "/uninstall"), 0);
        std::string data;
        EXPECT_FALSE(ReadString(kExperts, "Toravex", data));
        EXPECT_FALSE(ReadString(kPackages, folder_ + "ToravexLoader10.bpl", data));
        EXPECT_FALSE(KeyExists(setuptest::kOptionsKey));
        EXPECT_EQ(GetFileAttributesA(InstalledIde::Folder().c_str()), INVALID_FILE_ATTRIBUTES);
    }

    InstalledIde ide_;
    std::string folder_, log_;
};

}  // namespace

TEST_F(InstalledIdeTest, TheLoaderBringsTheLibraryInFirstAndTheExpertListFindsItLoaded) {
    // The probe expert comes before "Toravex" in the list in either order of
    // the registry: by name here, by age on Windows.
    const std::string probe = TempDir() + "\\LoaderProbe.dll";
    CopyFileA((BuildDir() + "\\tests\\LoaderProbe.dll").c_str(), probe.c_str(), FALSE);
    DeleteFileA((probe + ".log").c_str());
    std::string library;
    ASSERT_TRUE(ReadString(kExperts, "Toravex", library));
    HKEY key;
    RegOpenKeyExA(HKEY_CURRENT_USER, kExperts.c_str(), 0, KEY_ALL_ACCESS, &key);
    RegDeleteValueA(key, "Toravex");
    RegCloseKey(key);
    WriteString(kExperts, "LoaderProbe", probe);
    WriteString(kExperts, "Toravex", library);

    EXPECT_TRUE(RunIde().empty());
    const std::string loader = folder_ + "ToravexLoader10.bpl";
    EXPECT_EQ(Line("package-load " + loader), 1) << "the first thing the IDE loads";
    EXPECT_GT(Line("package-init " + loader), 0);
    EXPECT_GT(Line("expert-load " + library), Line("package-init " + loader));
    EXPECT_GT(Line("expert-init " + library + " result=1 terminate=set"), 0);
    EXPECT_GT(Line("exit 0"), 0);
    // Loaded by the loader's two loads and pinned once by its start-up, before
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
