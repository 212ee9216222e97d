// The IDE hooks in the emulated IDE with Toravex in place: build 100 with
// Toravex installed by its installer, builds 70 and 50 with their library
// registered as an expert. The end of start-up (also with a late main form),
// the menu items, the fast-quit item in English, German and French, every
// way of closing (Ctrl held, the menu with OK and Cancel, a refusing close
// question, a modal dialog open, a secondary window), the palette's single
// rebuild, the colour box's single fill, the shortcuts of the older builds
// with SetShortCuts on and off; pictures of the File menu in
// build/screenshots.
#include <gtest/gtest.h>

#include "IdeRun.h"
#include "Pictures.h"
#include "TestSupport.h"

using idetest::IdeRun;
using idetest::Logged;
using namespace testsupport;

namespace {

const std::string kIdeKey = "Software\\Borland\\BDS\\4.0";
const std::string kDelphi7Key = "Software\\Borland\\Delphi\\7.0";
const std::string kDelphi5Key = "Software\\Borland\\Delphi\\5.0";
const std::string kOptions7 = "Software\\Kalvoro\\Toravex\\7";
const std::string kPlainRoot = "ToravexPlain" + std::to_string(GetCurrentProcessId());

const char kEnglishCaption[] = "Close all and terminate process";
const char kGermanCaption[] = "Alles schlie\xDF" "en und Prozess beenden";
const char kFrenchCaption[] = "Tout fermer et terminer le processus";
const char kEnglishWarning[] =
    "Terminating Delphi/BCB can leave some actions undone because OnDestroy and all finalization sections are not "
    "executed.";

void ExpectOrder(const IdeRun& run, const std::vector<std::string>& lines) {
    long previous = -1;
    for (const std::string& line : lines) {
        const long at = run.Line(line);
        EXPECT_GT(at, previous) << "\"" << line << "\" in " << run.arguments;
        previous = at;
    }
}

// The fast-quit item: the item after "FileExitItem" in the menu dump (it
// has no name).
std::vector<std::string> FastQuitItems(const IdeRun& run) { return run.Lines("menu-item FileMenu/ caption="); }
std::string ItemLine(const IdeRun& run, const std::string& path) {
    auto lines = run.Lines("menu-item " + path + " ");
    return lines.size() == 1 ? lines[0] : "missing or repeated";
}
bool Ended(const IdeRun& run) { return run.Line("finalization ") >= 0 || run.Line("exit 0") >= 0; }

// A run that drops the File menu down and has the IDE picture it.
struct MenuPicture {
    IdeRun run;
    std::string file;
    MenuPicture(int build, const std::string& switches, const std::string& environment, const std::string& name)
        : run(build, ""), file(TempDir() + "\\" + name + ".bmp") {
        DeleteFileA(file.c_str());
        run.arguments = switches + " -open-menu:FileMenu:1500 -menu-picture:" + file + " -autoclose:3000";
        run.environment = environment;
    }
    // Saved as PNG in build/screenshots.
    void Save(const char* name) const {
        idetest::Image picture;
        ASSERT_TRUE(run.Has("menu-picture " + file)) << name;
        ASSERT_TRUE(idetest::LoadBmp(file, picture)) << name;
        const std::string folder = BuildDir() + "\\screenshots";
        CreateDirectoryA(folder.c_str(), nullptr);
        EXPECT_TRUE(idetest::SavePng(picture, folder + "\\" + name)) << name;
    }
};

class IdeHooksInIde : public ::testing::Test {
protected:
    // Build 100 as the installer installs it; the older builds' libraries as
    // IDE experts (their installers are not part of this round).
    void SetUp() override {
        Clean();
        HKEY key;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, kIdeKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        const std::string root = EmulatedIdeDir(100).substr(0, EmulatedIdeDir(100).size() - 4);
        RegSetValueExA(key, "RootDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(root.c_str()),
                       static_cast<DWORD>(root.size() + 1));
        RegCloseKey(key);
        ASSERT_EQ(RunProgram(BinDir() + "\\ToravexSetup10.exe", "/INSTALL"), 0);
        WriteString(kDelphi7Key + "\\Experts", "Toravex", BinDir() + "\\Toravex7.dll");
        WriteString(kDelphi5Key + "\\Experts", "Toravex", BinDir() + "\\Toravex5.dll");
    }
    void TearDown() override {
        RunProgram(BinDir() + "\\ToravexSetup10.exe", "/uninstall");
        Clean();
    }
    void Clean() {
        for (const std::string& key : {kIdeKey, kDelphi7Key, kDelphi5Key, kOptions7,
                                       std::string("Software\\Kalvoro\\Toravex\\5")})
            DeleteKeyTree(key);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kIdeKey.c_str());
        SetLanguageFile("dcc32.de", false);
        SetLanguageFile("dcc32.fra", false);
    }
    // A language marker file beside the emulated IDE, or a directory of that name.
    static void SetLanguageFile(const char* name, bool present, bool asDirectory = false) {
        const std::string path = EmulatedIdeDir(100) + "\\" + name;
        RemoveDirectoryA(path.c_str());
        DeleteFileA(path.c_str());
        if (!present) return;
        if (asDirectory) CreateDirectoryA(path.c_str(), nullptr);
        else CloseHandle(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    }
};

}  // namespace

TEST_F(IdeHooksInIde, TheEndOfStartUpRunsOnceWhenTheMainFormShowsAndChangesMenusPaletteAndColourBox) {
    IdeRun late{100, "-mainform-delay:3000 -dump-menu:1500 -colorbox -autoclose:2500"};
    IdeRun noExit{100, "-no-exit-item -dump-menu:1500 -autoclose:2500"};
    IdeRun plain{100, "-colorbox -autoclose:1000"};  // without Toravex, for comparison
    plain.root = kPlainRoot;
    idetest::RunAll({&late, &noExit, &plain}, "BDS");

    for (const IdeRun* run : {&late, &noExit}) {
        SCOPED_TRACE(run->arguments);
        EXPECT_EQ(run->exitCode, 0);
        EXPECT_TRUE(run->Has("splash-status \"Toravex 2.35\""));
        EXPECT_NE(ItemLine(*run, "ProjectMenu/ProjectClearUnitCacheItem").find(" visible=1 "), std::string::npos);
        EXPECT_TRUE(run->Has("exit 0"));
    }
    // The main form showed three seconds late; start-up ended then, once:
    // one fast-quit item, after the exit item, with its image.
    auto startup = late.Lines("startup ms=");
    ASSERT_EQ(startup.size(), 1u);
    EXPECT_GE(std::stoi(startup[0].substr(11)), 3000);
    EXPECT_EQ(FastQuitItems(late),
              std::vector<std::string>{std::string("menu-item FileMenu/ caption=\"") + kEnglishCaption +
                                       "\" visible=1 shortcut=none image=43 action=none"});
    EXPECT_EQ(late.Line("menu-item FileMenu/ ") - late.Line("menu-item FileMenu/FileExitItem "), 1);
    // Without the exit item: no fast-quit item, the rest of the step done.
    EXPECT_TRUE(FastQuitItems(noExit).empty());

    // The palette: no notice reached it while the IDE started, one bracket,
    // one rebuild, the same palette as without Toravex.
    auto palette = late.Lines("palette ");
    auto plainPalette = plain.Lines("palette ");
    ASSERT_EQ(palette.size(), 1u);
    ASSERT_EQ(plainPalette.size(), 1u);
    EXPECT_EQ(palette[0].rfind("palette modified=0 rebuilds=1 begin=1 end=1 items=600 ", 0), 0u) << palette[0];
    EXPECT_EQ(plainPalette[0].rfind("palette modified=600 rebuilds=600 begin=0 end=0 items=600 ", 0), 0u)
        << plainPalette[0];
    auto layoutOf = [](const std::string& line) { return line.substr(line.find("layout="), 15); };
    EXPECT_EQ(layoutOf(palette[0]), layoutOf(plainPalette[0]));

    // The colour box is filled once, after loading, with its colour; without
    // Toravex once per change while loading.
    EXPECT_EQ(late.Lines("colorbox-populate ").size(), 1u);
    EXPECT_TRUE(late.Has("colorbox ColorBox1 items=20 selected=clTeal"));
    EXPECT_EQ(plain.Lines("colorbox-populate ").size(), 2u);
    EXPECT_TRUE(plain.Has("colorbox ColorBox1 items=20 selected=clTeal"));
}

TEST_F(IdeHooksInIde, FastQuitEndsTheIdeWithoutItsFinalizationAndOnlyWhenTheClosingWentThrough) {
    IdeRun ctrl{100, "-close:ctrl:1500"};
    IdeRun menuOk{100, "-close:menu:1500"};
    IdeRun menuCancel{100, "-close:menu:1500 -dialogs:Cancel -autoclose:3500"};
    IdeRun refusedCtrl{100, "-unsaved:cancel -close:ctrl:1500"};
    refusedCtrl.stopWhen = Logged("closequery Unit1.pas answer=cancel");
    IdeRun refusedMenu{100, "-unsaved:cancel -close:menu:1500"};
    refusedMenu.stopWhen = Logged("closequery Unit1.pas answer=cancel");
    IdeRun modal{100, "-modal:800 -close:ctrl:2500 -autoclose:4500"};
    IdeRun secondary{100, "-close:ctrl-secondary:1500 -autoclose:3500"};
    IdeRun oldest{50, "-close:ctrl:1500"};
    oldest.root = "Delphi";
    idetest::RunAll({&ctrl, &menuOk, &menuCancel, &refusedCtrl, &refusedMenu, &modal, &secondary, &oldest}, "BDS");

    // Ctrl+close: the main form's close went through (its OnClose, the
    // terminate procedures), then the process ended with exit code 0 before
    // any form was destroyed or unit finalized.
    for (IdeRun* run : {&ctrl, &oldest}) {
        SCOPED_TRACE(run->build);
        EXPECT_EQ(run->exitCode, 0);
        ExpectOrder(*run, {"close-request ctrl AppBuilder", "close", "terminate-proc answer=1"});
        EXPECT_EQ(run->Line("destroy AppBuilder"), -1);
        EXPECT_FALSE(Ended(*run));
    }
    // The menu: the warning, OK, the same end.
    EXPECT_EQ(menuOk.exitCode, 0);
    ExpectOrder(menuOk, {std::string("close-request menu "), std::string("dialog Warning \"") + kEnglishWarning +
                                                                 "\" buttons=OK,Cancel answer=OK",
                         "close", "terminate-proc answer=1"});
    EXPECT_FALSE(Ended(menuOk));
    // Cancel: the IDE runs on and ends as usual later.
    EXPECT_EQ(menuCancel.exitCode, 0);
    ExpectOrder(menuCancel, {std::string("dialog Warning \"") + kEnglishWarning + "\" buttons=OK,Cancel answer=Cancel",
                             "autoclose", "close", "destroy AppBuilder", "finalization AppMain", "exit 0"});
    // A refusing close question keeps the IDE running, both ways.
    for (IdeRun* run : {&refusedCtrl, &refusedMenu}) {
        EXPECT_EQ(run->exitCode, -3) << run->arguments;
        EXPECT_EQ(run->Line("close"), -1) << run->arguments;
    }
    // A modal dialog open: Ctrl+close does nothing; the IDE ends as usual
    // when closed later (the dialog with Cancel).
    EXPECT_EQ(modal.exitCode, 0);
    ExpectOrder(modal, {"close-request ctrl AppBuilder", "autoclose", "close", "modal AboutBox result=2",
                        "destroy AppBuilder", "exit 0"});
    // A secondary window closed with Ctrl held is only hidden.
    EXPECT_EQ(secondary.exitCode, 0);
    ExpectOrder(secondary, {"close-request ctrl EditWindow", "close EditWindow action=1", "autoclose", "close",
                            "finalization AppMain", "exit 0"});
}

TEST_F(IdeHooksInIde, TheFastQuitItemSpeaksTheUsersLanguageWhenTheIdeIsInstalledInIt) {
    SetLanguageFile("dcc32.de", true);
    SetLanguageFile("dcc32.fra", true);
    MenuPicture german{100, "-dump-menu:1000", "EMUHOST_LANGUAGE=7", "menu-de"};
    MenuPicture french{100, "-dump-menu:1000", "EMUHOST_LANGUAGE=12", "menu-fr"};
    idetest::RunAll({&german.run, &french.run}, "BDS");
    SetLanguageFile("dcc32.de", false);
    IdeRun germanWithoutFile{100, "-dump-menu:1000 -autoclose:2000"};
    germanWithoutFile.environment = "EMUHOST_LANGUAGE=7";
    MenuPicture english{100, "-dump-menu:1000", "", "menu-en"};
    idetest::RunAll({&germanWithoutFile, &english.run}, "BDS");
    SetLanguageFile("dcc32.de", true, true);
    IdeRun germanDirectory{100, "-dump-menu:1000 -autoclose:2000"};
    germanDirectory.environment = "EMUHOST_LANGUAGE=7";
    idetest::RunAll({&germanDirectory}, "BDS");
    SetLanguageFile("dcc32.de", false);

    auto caption = [](const IdeRun& run) {
        auto items = FastQuitItems(run);
        if (items.size() != 1) return std::string("no single item");
        const size_t start = items[0].find('"') + 1;
        return items[0].substr(start, items[0].find('"', start) - start);
    };
    EXPECT_EQ(caption(german.run), kGermanCaption);
    EXPECT_EQ(caption(french.run), kFrenchCaption);
    EXPECT_EQ(caption(english.run), kEnglishCaption);
    EXPECT_EQ(caption(germanWithoutFile), kEnglishCaption);
    EXPECT_EQ(caption(germanDirectory), kEnglishCaption);

    english.Save("ide-file-menu-en.png");
    german.Save("ide-file-menu-de.png");
    french.Save("ide-file-menu-fr.png");
    for (const MenuPicture* shot : {&english, &german, &french}) EXPECT_EQ(shot->run.exitCode, 0);
}

TEST_F(IdeHooksInIde, TheOlderBuildsShowTheirHiddenItemsAndTakeOverTheShortcutsUnderSetShortCuts) {
    IdeRun on{70, "-dump-menu:1500 -colorbox -autoclose:2500"};
    IdeRun given{70, "-dump-menu:1500 -autoclose:2500 -shortcut:ProjectBuild=Ctrl+F9"};
    idetest::RunAll({&on, &given}, "Delphi");
    WriteDword(kOptions7, "SetShortCuts", 0);
    IdeRun off{70, "-dump-menu:1500 -autoclose:2500"};
    idetest::RunAll({&off}, "Delphi");

    for (const IdeRun* run : {&on, &given, &off}) {
        SCOPED_TRACE(run->arguments);
        EXPECT_EQ(run->exitCode, 0);
        for (const char* shown : {"FileMenu/FileNewUnitItem", "ViewMenu/ViewNextWindowItem", "HelpMenu/HelpWinSDKItem",
                                  "ProjectMenu/ProjectClearUnitCacheItem", "RunMenu/RunRunNoDebugItem"})
            EXPECT_NE(ItemLine(*run, shown).find(" visible=1 "), std::string::npos) << shown;
        EXPECT_EQ(FastQuitItems(*run).size(), 1u);
        // The IDE's own update handlers still run.
        EXPECT_FALSE(run->Lines("action-updates RunRunNoDebugCommand=").empty());
    }
    auto shortcut = [](const IdeRun& run, const char* item) {
        const std::string line = ItemLine(run, item);
        const size_t at = line.find(" shortcut=");
        return at == std::string::npos ? line : line.substr(at + 10, line.find(' ', at + 1) - at - 10);
    };
    EXPECT_EQ(shortcut(on, "RunMenu/RunRunNoDebugItem"), "Shift+Ctrl+F9");
    EXPECT_EQ(shortcut(on, "ProjectMenu/ProjectBuildItem"), "Shift+F9");
    EXPECT_EQ(shortcut(given, "RunMenu/RunRunNoDebugItem"), "Shift+Ctrl+F9");
    EXPECT_EQ(shortcut(given, "ProjectMenu/ProjectBuildItem"), "Ctrl+F9");
    EXPECT_EQ(shortcut(off, "RunMenu/RunRunNoDebugItem"), "none");
    EXPECT_EQ(shortcut(off, "ProjectMenu/ProjectBuildItem"), "none");
    // Build 70 has the colour-box fix too.
    EXPECT_EQ(on.Lines("colorbox-populate ").size(), 1u);
}
