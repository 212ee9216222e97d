// Install and uninstall as registry and file states after each run, on a
// registry that keeps creation order and on folders of the test.
#include <gtest/gtest.h>

#include "Installer.h"
#include "SetupError.h"
#include "SetupTestSupport.h"
#include "base/BuildProfile.h"

using namespace setuptest;
using Names = std::vector<std::string>;

namespace {

const char kIdeKey[] = "\\Software\\Borland\\BDS\\4.0";
const char kPackages[] = "\\Software\\Borland\\BDS\\4.0\\Known IDE Packages";
const char kExperts[] = "\\Software\\Borland\\BDS\\4.0\\Experts";
const char kOptions[] = "\\Software\\Kalvoro\\Toravex\\10";

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform_.appData = NewFolder("appdata");
        platform_.program = NewFolder("source") + "\\";
        for (const char* file : {"Toravex10.dll", "ToravexLoader10.bpl", "Toravex5.dll", "ToravexLoader5.bpl"})
            Touch(platform_.program + file);
        root_ = NewFolder("ide");
        CreateDirectoryA((root_ + "\\bin").c_str(), nullptr);
    }
    setup::Installer& Make(int build = 100) {
        installer_.emplace(setup::SetupProfileFor(build), registry_, platform_, steps_);
        return *installer_;
    }
    void InstallIde(const char* key = kIdeKey, Hive rootDir = Hive::LocalMachine) {
        registry_.CreateKey(Hive::LocalMachine, key);
        registry_.CreateKey(rootDir, key);
        registry_.WriteString(rootDir, key, "RootDir", root_);
    }
    std::string Folder() { return installer_->InstallFolder() + "\\"; }
    Names ValueNames(const char* key) { return registry_.ValueNames(Hive::CurrentUser, key); }
    std::string Data(const char* key, const std::string& name) {
        return registry_.ReadString(Hive::CurrentUser, key, name).value_or("<missing>");
    }
    static std::string Error(const setup::SetupOutcome& outcome) { return outcome ? outcome->text : "<none>"; }

    MemoryRegistry registry_;
    TestPlatform platform_;
    RecordedSteps steps_;
    std::optional<setup::Installer> installer_;
    std::string root_;
};

}  // namespace

TEST_F(InstallerTest, InstallPutsTheLoaderFirstAndWritesTheOptions) {
    InstallIde();
    registry_.CreateKey(Hive::CurrentUser, kPackages);
    registry_.WriteString(Hive::CurrentUser, kPackages, "A.bpl", "Package A");
    registry_.WriteDword(Hive::CurrentUser, kPackages, "B.bpl", 7);  // kept with its type
    setup::InstallOptions options;
    options.hookAllDlls = true;
    EXPECT_EQ(Error(Make().Install(options)), "<none>");

    const std::string loader = Folder() + "ToravexLoader10.bpl";
    EXPECT_EQ(ValueNames(kPackages), (Names{loader, "A.bpl", "B.bpl"}));
    EXPECT_EQ(Data(kPackages, loader), "Toravex");
    EXPECT_EQ(Data(kPackages, "A.bpl"), "Package A");
    EXPECT_EQ(registry_.ReadDword(Hive::CurrentUser, kPackages, "B.bpl"), 7u);
    EXPECT_EQ(Data(kExperts, "Toravex"), Folder() + "Toravex10.dll");
    EXPECT_TRUE(FileExists(Folder() + "Toravex10.dll") && FileExists(loader));
    EXPECT_EQ(ValueNames(kOptions), (Names{"NoFastSys", "NoFastObj", "HookAllDlls", "HookBplOnly", "BlendedFastCode"}));
    EXPECT_EQ(registry_.ReadDword(Hive::CurrentUser, kOptions, "HookAllDlls"), 1u);
    EXPECT_EQ(registry_.ReadDword(Hive::CurrentUser, kOptions, "NoFastSys"), 0u);
    // The uninstall's marks (no files in either folder, the package list
    // cleaned), cleared, then the install's in order.
    EXPECT_EQ(steps_.marks, (Names{"0+", "1+", "0+", "1+", "2+", "0-", "1-", "2-", "0+", "1+", "2+", "2+"}));

    // Moved between A and B (as an IDE rewriting its list may do), a
    // reinstall puts it in front again.
    registry_.DeleteValue(Hive::CurrentUser, kPackages, loader);
    registry_.WriteString(Hive::CurrentUser, kPackages, loader, "TORAVEX");
    registry_.WriteString(Hive::CurrentUser, kPackages, "C.bpl", "C");
    SetFileAttributesA(loader.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(Error(Make().Install({})), "<none>");
    EXPECT_EQ(ValueNames(kPackages), (Names{loader, "A.bpl", "B.bpl", "C.bpl"}));
    EXPECT_EQ(GetFileAttributesA(loader.c_str()) & FILE_ATTRIBUTE_READONLY, 0u) << "copied over";
}

TEST_F(InstallerTest, IdeNotInstalledFailsAfterTheOptionsWereRewritten) {
    registry_.CreateKey(Hive::CurrentUser, kOptions);
    registry_.WriteDword(Hive::CurrentUser, kOptions, "FastQuit", 1);
    EXPECT_EQ(Error(Make().Install({})), "Invalid Delphi/BCB 10 + installation. Cannot open registry key");
    EXPECT_EQ(ValueNames(kOptions).size(), 5u);
    EXPECT_FALSE(FileExists(installer_->InstallFolder()));
    EXPECT_FALSE(registry_.KeyExists(Hive::CurrentUser, kExperts));
    EXPECT_EQ(Error(installer_->Uninstall()), "<none>") << "the empty second key counts as done";

    InstallIde();
    DeleteFileA((platform_.program + "ToravexLoader10.bpl").c_str());
    EXPECT_EQ(Error(Make().Install({})), "Cannot copy file to " + Folder() + "ToravexLoader10.bpl");
    EXPECT_EQ(steps_.marks.back(), "0+");
}

TEST_F(InstallerTest, UninstallRemovesEverythingAndTicksStepsOfFilesNeverCopied) {
    InstallIde();
    EXPECT_EQ(Error(Make().Uninstall()), "<none>");  // nothing installed, no package list either
    EXPECT_EQ(steps_.marks, (Names{"0-", "1-", "2-", "0+", "1+", "0+", "1+", "2+"}));

    registry_.CreateKey(Hive::CurrentUser, kPackages);
    registry_.WriteString(Hive::CurrentUser, kPackages, "A.bpl", "A");
    EXPECT_EQ(Error(Make().Install({})), "<none>");
    registry_.WriteString(Hive::CurrentUser, kExperts, "SevenToravex", "old.dll");
    Touch(Folder() + "notes.txt");
    EXPECT_EQ(Error(Make().Uninstall()), "<none>");
    EXPECT_EQ(ValueNames(kPackages), Names{"A.bpl"});
    EXPECT_TRUE(ValueNames(kExperts).empty());
    EXPECT_FALSE(registry_.KeyExists(Hive::CurrentUser, kOptions));
    EXPECT_FALSE(FileExists(Folder() + "Toravex10.dll"));
    EXPECT_TRUE(FileExists(Folder() + "notes.txt")) << "a folder that is not empty stays";

    // Without "RootDir" only the IDE's "bin" folder is out of reach.
    DeleteFileA((Folder() + "notes.txt").c_str());
    registry_.DeleteValue(Hive::LocalMachine, kIdeKey, "RootDir");
    EXPECT_EQ(Error(Make().Install({})), "<none>");
    EXPECT_EQ(Error(Make().Uninstall()), "<none>");
    EXPECT_FALSE(FileExists(installer_->InstallFolder())) << "removed when empty";
    EXPECT_EQ(ValueNames(kPackages), Names{"A.bpl"});
}

TEST_F(InstallerTest, Windows9xPutsTheFilesIntoTheIdeBinFolder) {
    platform_.win9x = true;
    InstallIde(kIdeKey, Hive::CurrentUser);  // "RootDir" found under the user's key
    EXPECT_EQ(Error(Make().Install({})), "<none>");
    const std::string bin = root_ + "\\bin\\";
    EXPECT_TRUE(FileExists(bin + "Toravex10.dll") && FileExists(bin + "ToravexLoader10.bpl"));
    EXPECT_EQ(Data(kExperts, "Toravex"), bin + "Toravex10.dll");
    EXPECT_FALSE(FileExists(installer_->InstallFolder()));
    EXPECT_EQ(Error(Make().Uninstall()), "<none>");
    EXPECT_FALSE(FileExists(bin + "Toravex10.dll"));

    registry_.DeleteValue(Hive::CurrentUser, kIdeKey, "RootDir");
    EXPECT_EQ(Error(Make().Install({})), "Invalid Delphi/BCB installation. No \"RootDir\" registry value found");
}

TEST_F(InstallerTest, TheDelphi5BuildServesBothIdesAndWritesTheShortcutOption) {
    EXPECT_EQ(Error(Make(50).Uninstall()), "Invalid Delphi/BCB 5 installation. Cannot open registry key");
    InstallIde("\\Software\\Borland\\C++Builder\\5.0");
    setup::InstallOptions options;
    options.setShortCuts = false;
    EXPECT_EQ(Error(Make(50).Install(options)), "<none>");
    EXPECT_EQ(Data("\\Software\\Borland\\C++Builder\\5.0\\Experts", "Toravex"), Folder() + "Toravex5.dll");
    EXPECT_FALSE(registry_.KeyExists(Hive::CurrentUser, "\\Software\\Borland\\Delphi\\5.0\\Experts"));
    EXPECT_EQ(registry_.ReadDword(Hive::CurrentUser, "\\Software\\Kalvoro\\Toravex\\5", "SetShortCuts"), 0u);
    // The installer writes where the plug-in of the same build reads.
    for (const setup::SetupProfile& p : setup::kSetupProfiles)
        EXPECT_STREQ(p.optionsKey, toravex::ProfileFor(p.packageVersion).optionsKey);
}
