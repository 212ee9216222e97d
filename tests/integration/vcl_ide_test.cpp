// The emulated IDE as a VCL application, without Toravex: the menus of each
// build, the colour form, the palette's work, and every way of closing it
// (Ctrl held, the menu, a modal dialog open, a refusing close question or
// terminate procedure) ends the way the host's VCL ends it.
#include <gtest/gtest.h>

#include "IdeRun.h"
#include "TestSupport.h"

using idetest::IdeRun;
using idetest::Logged;

namespace {

const std::string kRoot = "ToravexVclIde" + std::to_string(GetCurrentProcessId());

// Lines in this order in the log.
void ExpectOrder(const IdeRun& run, const std::vector<std::string>& prefixes) {
    long previous = -1;
    for (const std::string& prefix : prefixes) {
        const long at = run.Line(prefix);
        EXPECT_GT(at, previous) << "\"" << prefix << "\" in " << run.arguments;
        previous = at;
    }
}

std::string MenuItem(const IdeRun& run, const std::string& path) {
    auto lines = run.Lines("menu-item " + path + " ");
    return lines.size() == 1 ? lines[0].substr(11 + path.size()) : "missing or repeated";
}

}  // namespace

TEST(VclIde, EachBuildShowsItsMenusAndEndsThroughItsUnits) {
    IdeRun newest{100, "-autoclose:800 -dump-menu:100 -colorbox"};
    IdeRun older{70, "-autoclose:600 -dump-menu:100 -shortcut:ProjectBuild=Ctrl+F9"};
    IdeRun oldest{50, "-autoclose:600 -dump-menu:100"};
    idetest::RunAll({&newest, &older, &oldest}, kRoot);

    for (const IdeRun* run : {&newest, &older, &oldest}) {
        SCOPED_TRACE(run->build);
        EXPECT_EQ(run->exitCode, 0);
        ExpectOrder(*run, {"start ", "mainwindow-visible", "menu-item ", "autoclose", "close", "terminate-proc answer=1",
                           "destroy AppBuilder", "finalization ComponentPalette", "finalization AppMain", "exit 0"});
        EXPECT_EQ(MenuItem(*run, "FileMenu/FileExitItem"), "caption=\"E&xit\" visible=1 shortcut=none image=43 action=none");
        EXPECT_EQ(MenuItem(*run, "ProjectMenu/ProjectClearUnitCacheItem").rfind("caption=\"Clear &Unit Cache\" visible=0 ", 0),
                  0u);
        // FileExitItem is the File menu's last item.
        auto file = run->Lines("menu-item FileMenu/");
        ASSERT_FALSE(file.empty());
        EXPECT_EQ(file.back().rfind("menu-item FileMenu/FileExitItem ", 0), 0u);
    }

    // Builds 90 and 100: the two commands have their shortcuts.
    EXPECT_EQ(MenuItem(newest, "RunMenu/RunRunNoDebugItem"),
              "caption=\"Run &Without Debugging\" visible=1 shortcut=Shift+Ctrl+F9 image=-1 action=RunRunNoDebugCommand");
    EXPECT_EQ(MenuItem(newest, "ProjectMenu/ProjectBuildItem"),
              "caption=\"&Build\" visible=1 shortcut=Shift+F9 image=-1 action=ProjectBuildCommand");
    EXPECT_EQ(MenuItem(newest, "FileMenu/FileNewUnitItem"), "missing or repeated");
    // Builds 50 to 70: hidden items, actions without shortcuts (unless the
    // IDE gave one).
    for (const IdeRun* run : {&older, &oldest}) {
        for (const char* hidden : {"FileMenu/FileNewUnitItem", "ViewMenu/ViewNextWindowItem", "HelpMenu/HelpWinSDKItem"})
            EXPECT_NE(MenuItem(*run, hidden).find(" visible=0 "), std::string::npos) << hidden;
        EXPECT_EQ(MenuItem(*run, "RunMenu/RunRunNoDebugItem"),
                  "caption=\"Run &Without Debugging\" visible=0 shortcut=none image=-1 action=RunRunNoDebugCommand");
    }
    EXPECT_EQ(MenuItem(older, "ProjectMenu/ProjectBuildItem"),
              "caption=\"&Build\" visible=1 shortcut=Ctrl+F9 image=-1 action=ProjectBuildCommand");
    EXPECT_EQ(MenuItem(oldest, "ProjectMenu/ProjectBuildItem"),
              "caption=\"&Build\" visible=1 shortcut=none image=-1 action=ProjectBuildCommand");

    // The colour form, read into its shown window, fills its list on every
    // change made while loading; its colour ends selected.
    EXPECT_EQ(newest.Lines("colorbox-populate ColorBox1 ").size(), 2u);
    EXPECT_TRUE(newest.Has("colorbox ColorBox1 items=20 selected=clTeal"));
    // Each of the 600 components registered is a Modified notice that
    // rebuilds the palette.
    auto palette = newest.Lines("palette modified=");
    ASSERT_EQ(palette.size(), 1u);
    EXPECT_EQ(palette[0].substr(0, 62), "palette modified=600 rebuilds=600 begin=0 end=0 items=600 layo");
    // The actions are asked to update while the IDE is idle.
    EXPECT_FALSE(newest.Lines("action-updates ProjectBuildCommand=").empty());
}

TEST(VclIde, WithoutToravexEveryCloseRequestEndsOrStopsAsTheVclDecides) {
    // Ctrl held: an ordinary close, units and all (the main form late).
    IdeRun ctrl{100, "-close:ctrl:300 -mainform-delay:2000"};
    // The unsaved file is not given up: the IDE stays.
    IdeRun refused{100, "-unsaved:cancel -close:ctrl:300 -autoclose:1200"};
    refused.stopWhen = Logged("closequery Unit1.pas answer=cancel", 2);
    // A terminate procedure refuses: the IDE stays.
    IdeRun terminateRefused{100, "-terminate-proc:refuse -autoclose:300"};
    terminateRefused.stopWhen = Logged("terminate-proc answer=0");
    // A modal dialog open: closing the main form ends it with Cancel.
    IdeRun modal{100, "-modal:200 -autoclose:1500"};
    // No fast-quit item to click: the menu path does nothing.
    IdeRun menu{100, "-close:menu:300 -autoclose:1200 -unsaved:yes"};
    // A secondary window closed with Ctrl held is hidden.
    IdeRun secondary{100, "-close:ctrl-secondary:300 -autoclose:1500"};
    idetest::RunAll({&ctrl, &refused, &terminateRefused, &modal, &menu, &secondary}, kRoot);

    EXPECT_EQ(ctrl.exitCode, 0);
    ExpectOrder(ctrl, {"mainwindow-visible", "close-request ctrl AppBuilder", "close", "destroy AppBuilder",
                       "finalization AppMain", "exit 0"});
    auto startup = ctrl.Lines("startup ms=");
    ASSERT_EQ(startup.size(), 1u);
    EXPECT_GE(std::stoi(startup[0].substr(11)), 2000);

    EXPECT_EQ(refused.exitCode, -3);
    EXPECT_EQ(refused.Line("close"), -1);
    EXPECT_EQ(refused.Line("finalization "), -1);

    EXPECT_EQ(terminateRefused.exitCode, -3);
    ExpectOrder(terminateRefused, {"close", "terminate-proc answer=0"});
    EXPECT_EQ(terminateRefused.Line("destroy AppBuilder"), -1);

    EXPECT_EQ(modal.exitCode, 0);
    ExpectOrder(modal, {"autoclose", "close", "modal AboutBox result=2", "destroy AppBuilder", "exit 0"});

    EXPECT_EQ(menu.exitCode, 0);
    ExpectOrder(menu, {"close-request menu none", "autoclose", "closequery Unit1.pas answer=yes", "save Unit1.pas",
                       "close", "exit 0"});

    EXPECT_EQ(secondary.exitCode, 0);
    ExpectOrder(secondary, {"close-request ctrl EditWindow", "close EditWindow action=1", "autoclose", "close",
                            "destroy EditWindow", "exit 0"});
}
