// Every build, end to end: its installer installs its library and loader
// package on its IDE's key, its emulated IDE starts with them, shows the
// splash progress (90, 100) or the splash labels (50 to 70), reaches the end
// of start-up, gives the workload's checksum of a start without Toravex and
// ends by fast quit with Ctrl held. The diagnostic log shows which of the
// build's IDE features were made; pictures of the splash windows go to
// build/screenshots.
#include <gtest/gtest.h>

#include <algorithm>

#include "IdeRun.h"
#include "Pictures.h"
#include "TestSupport.h"

using idetest::IdeRun;
using namespace testsupport;

namespace {

struct Build {
    int version;
    const char* suffix;
    const char* root;  // the IDE's registry root below \Software\Borland
    const char* ideKey;
    const char* switches;  // the splash window's own labels
    bool picture;
};

const Build kBuilds[] = {
    {100, "10", "BDS", "Software\\Borland\\BDS\\4.0", "", true},
    {90, "9", "BDS", "Software\\Borland\\BDS\\3.0", "", true},
    {70, "7", "Delphi", "Software\\Borland\\Delphi\\7.0", "-splash-labels:plugins,progress", true},
    {60, "6", "Delphi", "Software\\Borland\\Delphi\\6.0", "", false},
    {50, "5", "Delphi", "Software\\Borland\\Delphi\\5.0", "", true},
};

// What the diagnostic log says the build made of the IDE features that
// differ per build ("made <what>"), yes or no.
struct Feature {
    const char* made;
    std::vector<int> builds;
};
const Feature kFeatures[] = {
    {"made ide FormCloseHook", {100, 90, 70, 60, 50}},
    {"made ide FastQuitMenuItem", {100, 90, 70, 60, 50}},
    {"made ide ShowHiddenMenuItems", {100, 90, 70, 60, 50}},
    {"made ide ColorBoxHooks", {100, 90, 70}},
    {"made ide TakeOverShortcuts", {70, 60, 50}},
    {"made ide PaletteBatching", {100}},
    {"made ide SplashProgressBar", {100, 90}},
    {"made ide SplashVersionLabel", {100, 90}},
    {"made ide SplashLabels", {70, 60}},
    {"made ide SplashLabelsInPanels", {50}},
    {"made hook @Sysutils@InitializePackage$qqrui", {90, 70, 60, 50}},
    {"made hook @Pakmgr@TDesignPackage@$bctr$qqrx17System@AnsiStringp22Pakmgr@TDesignPackages", {100, 90}},
};

std::string Folder() { return TempDir() + "\\splash-builds"; }
// The registry root of the runs without Toravex.
std::string PlainRoot() { return "ToravexPlain" + std::to_string(GetCurrentProcessId()); }
// The IDE's key under that root: the same version.
std::string PlainKey(const Build& b) {
    const std::string key = b.ideKey;
    return "Software\\Borland\\" + PlainRoot() + key.substr(key.find_last_of('\\'));
}

class SplashBuildsInIde : public ::testing::Test {
protected:
    void SetUp() override {
        Clean();
        CreateDirectoryA(Folder().c_str(), nullptr);
        for (const Build& b : kBuilds) {
            HKEY key;
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, b.ideKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
            const std::string dir = EmulatedIdeDir(b.version);
            const std::string root = dir.substr(0, dir.size() - 4);  // without "\bin"
            RegSetValueExA(key, "RootDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(root.c_str()),
                           static_cast<DWORD>(root.size() + 1));
            RegCloseKey(key);
            ASSERT_EQ(RunProgram(BinDir() + "\\ToravexSetup" + b.suffix + ".exe", "/install"), 0) << b.version;
            // The design packages the IDE registers, the last without a
            // description; those of 90 and 100 are what the splash progress
            // expects.
            for (const std::string& key : {std::string(b.ideKey), PlainKey(b)}) {
                for (int i = 1; i <= 6; ++i)
                    WriteString(key + "\\Known Packages", dir + "\\dclemu0" + std::to_string(i) + ".bpl",
                                "Emulated package");
                WriteString(key + "\\Known Packages", dir + "\\dclemunodesc.bpl", "Emulated package");
            }
        }
    }
    void TearDown() override {
        for (const Build& b : kBuilds) RunProgram(BinDir() + "\\ToravexSetup" + b.suffix + ".exe", "/uninstall");
        Clean();
    }
    static void Clean() {
        for (const Build& b : kBuilds) {
            DeleteKeyTree(b.ideKey);
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, b.ideKey);
            DeleteKeyTree(std::string("Software\\Kalvoro\\Toravex\\") + b.suffix);
        }
        DeleteKeyTree("Software\\Borland\\" + PlainRoot());
    }
    static std::string Picture(const Build& b) { return Folder() + "\\splash-" + std::to_string(b.version) + ".bmp"; }
    static std::string DiagnosticLog(const Build& b) {
        return Folder() + "\\toravex-" + std::to_string(b.version) + ".log";
    }
};

}  // namespace

TEST_F(SplashBuildsInIde, EachBuildInstallsStartsShowsItsSplashEndsStartUpAndQuitsFast) {
    std::vector<IdeRun> with, without;
    for (const Build& b : kBuilds) {
        DeleteFileA(Picture(b).c_str());
        DeleteFileA(DiagnosticLog(b).c_str());
        IdeRun run{b.version, std::string(b.switches) + " -dump-menu:500 -close:ctrl:2000"};
        if (b.picture) run.arguments += " -splash-picture:" + Picture(b);
        run.root = b.root;
        run.environment = "TORAVEX_LOG=" + DiagnosticLog(b);
        with.push_back(run);
        IdeRun plain{b.version, "-autoclose:300"};
        plain.root = PlainRoot();
        without.push_back(plain);
    }
    std::vector<IdeRun*> runs;
    for (size_t i = 0; i < with.size(); ++i) runs.insert(runs.end(), {&with[i], &without[i]});
    idetest::RunAll(runs, "BDS");

    for (size_t i = 0; i < std::size(kBuilds); ++i) {
        const Build& b = kBuilds[i];
        const IdeRun& run = with[i];
        SCOPED_TRACE(b.version);
        // Loaded through the installed loader package and expert entry.
        const std::vector<std::string> diagnostic = ReadLines(DiagnosticLog(b));
        ASSERT_FALSE(diagnostic.empty()) << "no Toravex in the IDE";
        EXPECT_NE(diagnostic[0].find(std::string("start Toravex") + b.suffix + " build " + std::to_string(b.version)),
                  std::string::npos);
        EXPECT_EQ(run.Lines("expert-init ").size(), 1u);
        EXPECT_NE(run.Lines("expert-init ")[0].find("Toravex" + std::string(b.suffix) + ".dll result=1"),
                  std::string::npos);

        // The splash window.
        // The version text through the IDE's splash-screen service (90, 100).
        EXPECT_EQ(run.Has("splash-status \"Toravex 2.35\""), b.version >= 90);
        if (b.version >= 90) {
            EXPECT_TRUE(run.Has("splash-close progress=100"));
            EXPECT_TRUE(run.Has("splash-label ToravexLabel \"Toravex 2.35\""));
        } else {
            EXPECT_TRUE(run.Has("splash-close progress=none"));
            EXPECT_TRUE(run.Has(b.version == 70 ? "splash-label LblPlugins \"Toravex 2.35\\nPlug-ins: Emulated Tools\""
                                                : "splash-label LblPlugins \"Toravex 2.35\""));
            // Each package's description while it initialized, the name of
            // the last one, which has none.
            EXPECT_TRUE(run.Has("splash-label LblProgressText \"Loading dclemunodesc.bpl\""));
        }
        if (b.version == 50) {
            EXPECT_NE(run.Line("splash-control LblPlugins parent=PanelPlugins left=8 top=4 "), -1);
            EXPECT_NE(run.Line("splash-control LblProgressText parent=PanelProgress left=4 top=2 "), -1);
            EXPECT_NE(run.Line("splash-control PanelProgress parent=SplashScreen left=16 top=8 width=415 "), -1);
        }

        // The end of start-up: the fast-quit item; then Ctrl+close ends the
        // process before any finalization.
        EXPECT_EQ(run.Lines("menu-item FileMenu/ caption=\"Close all and terminate process\"").size(), 1u);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_NE(run.Line("close-request ctrl AppBuilder"), -1);
        EXPECT_EQ(run.Line("finalization "), -1);
        EXPECT_EQ(run.Line("exit 0"), -1);

        // The same work as without Toravex.
        const std::vector<std::string> workload = run.Lines("workload packages=7 checksum=");
        const std::vector<std::string> plain = without[i].Lines("workload packages=7 checksum=");
        ASSERT_EQ(workload.size(), 1u);
        ASSERT_EQ(plain.size(), 1u);
        EXPECT_EQ(workload[0].substr(0, 37), plain[0].substr(0, 37));
        EXPECT_TRUE(without[i].Has("exit 0"));

        // The build's row of the feature table.
        for (const Feature& f : kFeatures) {
            const bool expected = std::count(f.builds.begin(), f.builds.end(), b.version) != 0;
            const bool made = std::any_of(diagnostic.begin(), diagnostic.end(),
                                          [&](const std::string& line) { return line.find(f.made) != std::string::npos &&
                                                                                line.substr(line.find(f.made)) == f.made; });
            EXPECT_EQ(made, expected) << f.made;
        }

        if (b.picture) {
            idetest::Image picture;
            ASSERT_TRUE(run.Has("splash-picture " + Picture(b)));
            ASSERT_TRUE(idetest::LoadBmp(Picture(b), picture));
            const std::string folder = BuildDir() + "\\screenshots";
            CreateDirectoryA(folder.c_str(), nullptr);
            EXPECT_TRUE(idetest::SavePng(picture, folder + "\\splash-" + std::to_string(b.version) + ".png"));
        }
    }
}
