// The installer's window under the virtual display: every control found by
// class and text at its place, the two pages, keyboard defaults, the steps,
// and a picture of both pages in build/screenshots. (Each window costs about
// two seconds: without a window manager Wine waits for the unmap.)
#include <gtest/gtest.h>

#include "MainWindow.h"
#include "Screenshot.h"
#include "SetupTestSupport.h"

using namespace setuptest;
using setup::MainWindow;

namespace {

void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

std::string ClassOf(HWND hwnd) {
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}
std::string TextOf(HWND hwnd) {
    char text[256] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}
// Left, top, width, height within the parent's client area.
std::vector<int> PlaceOf(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}
LOGFONTA FontOf(HWND hwnd) {
    LOGFONTA font = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font;
}
bool IsChecked(HWND box) { return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

struct Search {
    const char *className, *text;
    std::vector<HWND> found;
};
BOOL CALLBACK Visit(HWND hwnd, LPARAM p) {
    auto* s = reinterpret_cast<Search*>(p);
    if (lstrcmpiA(ClassOf(hwnd).c_str(), s->className) == 0 && TextOf(hwnd) == s->text) s->found.push_back(hwnd);
    return TRUE;
}
// Every window below `parent` of that class and text.
std::vector<HWND> Find(HWND parent, const char* className, const char* text) {
    Search search{className, text, {}};
    EnumChildWindows(parent, Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct ExpectedControl {
    const char* className;
    const char* text;
    std::vector<int> place;
    const char* font;
};

// clang-format off
const ExpectedControl kControls[] = {
    {"Button", " Debug options ", {8, 8, 361, 169}, "MS Sans Serif"},
    {"Button", "Hook all DLLs loaded by LoadLibrary", {8, 16, 201, 17}, "MS Sans Serif"},
    {"Button", "Hook only static linked BPLs (no static linked DLLs)", {8, 32, 305, 17}, "MS Sans Serif"},
    {"Button", "Disable FastObj", {8, 64, 121, 17}, "MS Sans Serif"},
    {"Button", "Disable FastSys", {8, 80, 121, 17}, "MS Sans Serif"},
    {"Button", "Use blended FastCode functions instead of CPU specific functions", {8, 96, 345, 17}, "MS Sans Serif"},
    {"Button", "Show options", {8, 136, 345, 25}, "MS Sans Serif"},
    {"Button", "&Install", {8, 234, 75, 25}, "MS Sans Serif"},
    {"Button", "&Quit", {297, 234, 75, 25}, "MS Sans Serif"},
    {"Button", "&Uninstall", {88, 234, 75, 25}, "MS Sans Serif"},
    {"ListBox", "", {8, 184, 361, 44}, "MS Sans Serif"},
    {"TPanel", "", {8, 8, 361, 169}, nullptr},
    {"Static", "Toravex", {8, 3, 340, 63}, "Comic Sans MS"},
    {"Static", "Speeds up your Delphi/BCB/BDS development environment", {8, 67, 323, 14}, "Arial\xF6"},
    {"Button", "Show debug options", {8, 136, 345, 25}, "MS Sans Serif"},
    {"Button", "Set IDE shortcut (Build Project: Shift+F9)", {8, 88, 321, 17}, "MS Sans Serif"},
};
// clang-format on

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { platform_.appData = NewFolder("appdata"); }
    void TearDown() override {
        window_.reset();
        Pump();
    }
    MainWindow& Open(int build = 100) {
        window_ = std::make_unique<MainWindow>(setup::SetupProfileFor(build), registry_, platform_);
        EXPECT_TRUE(window_->Create(""));
        window_->Show();
        Pump();
        return *window_;
    }
    std::vector<bool> Boxes() {
        const auto& c = window_->Controls();
        std::vector<bool> states;
        for (HWND box : {c.cbxHookAllDLLs, c.cbxHookBplOnly, c.cbxNoFastObj, c.cbxNoFastSys, c.cbxBlendedFastCode,
                         c.cbxSetShortCuts})
            states.push_back(IsChecked(box));
        return states;
    }
    void SavePicture(const std::string& name, bool frontPage) {
        Sleep(150);
        Pump();
        const std::string folder = testsupport::BuildDir() + "\\screenshots";
        CreateDirectoryA(folder.c_str(), nullptr);
        Picture picture = CaptureWindow(window_->Handle());
        EXPECT_TRUE(SaveBitmap(picture, folder + "\\" + name));
        if (!frontPage) return;
        // The blue product name was drawn (its colour comes from the window).
        int blue = 0;
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x)
                if (picture.At(x, y)[0] > 200 && picture.At(x, y)[1] < 60 && picture.At(x, y)[2] < 60) ++blue;
        EXPECT_GT(blue, 100) << name;
    }

    MemoryRegistry registry_;
    TestPlatform platform_;
    std::unique_ptr<MainWindow> window_;
};

}  // namespace

TEST_F(WindowTest, EveryControlIsAtItsPlaceWithItsCaptionAndFont) {
    registry_.CreateKey(setup::Hive::LocalMachine, "\\Software\\Borland\\BDS\\4.0");
    HWND main = Open().Handle();
    EXPECT_EQ(TextOf(main), "Install Toravex 2.35 for Delphi 10");
    RECT client;
    GetClientRect(main, &client);
    EXPECT_EQ(client.right, 378);
    EXPECT_EQ(client.bottom, 264);
    const LONG style = GetWindowLongA(main, GWL_STYLE);
    EXPECT_EQ(style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), WS_SYSMENU | WS_MINIMIZEBOX);
    RECT frame;
    GetWindowRect(main, &frame);
    EXPECT_NEAR((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1) << "centred";

    for (const ExpectedControl& expected : kControls) {
        std::vector<HWND> found = Find(main, expected.className, expected.text);
        // The two containers have no text: they are told apart by place.
        ASSERT_EQ(found.size(), 1u) << expected.text;
        EXPECT_EQ(PlaceOf(found[0]), expected.place) << expected.text;
        if (expected.font) {
            EXPECT_STREQ(FontOf(found[0]).lfFaceName, expected.font) << expected.text;
        }
    }
    const auto& c = window_->Controls();
    EXPECT_EQ(FontOf(c.lblCaption).lfHeight, -45);
    EXPECT_EQ(FontOf(c.label1).lfWeight, FW_BOLD);

    // The front page first; the shortcut option only in the Delphi 5 build.
    EXPECT_TRUE(IsWindowVisible(c.pnlClient));
    EXPECT_FALSE(IsWindowVisible(c.groupBoxOptions));
    EXPECT_FALSE(IsWindowVisible(c.cbxSetShortCuts));
    EXPECT_FALSE(IsWindowEnabled(c.clbxSteps));
    EXPECT_EQ(window_->Steps().Count(), 3);
    EXPECT_EQ(window_->Steps().ItemText(2), "Register/Unregister Toravex.dll as expert");

    // Tab order, default and cancel buttons, the focus.
    std::vector<HWND> order;
    for (HWND child = GetWindow(main, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) order.push_back(child);
    EXPECT_EQ(order, (std::vector<HWND>{c.groupBoxOptions, c.clbxSteps, c.btnInstall, c.btnUninstall, c.btnQuit,
                                        c.pnlClient}));
    if (GetActiveWindow() == main) {  // unless another test's window took the activation
        EXPECT_EQ(GetFocus(), c.btnInstall);
    }
    EXPECT_EQ(GetWindowLongA(c.btnInstall, GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);
    EXPECT_EQ(LOWORD(SendMessageA(main, DM_GETDEFID, 0, 0)), GetDlgCtrlID(c.btnInstall));
    SavePicture("setup10.bmp", true);

    // An uninstall ticks the steps and leaves the window open.
    EXPECT_TRUE(window_->UninstallClick(nullptr));
    EXPECT_TRUE(window_->Steps().Checked(0) && window_->Steps().Checked(1) && window_->Steps().Checked(2));
    EXPECT_TRUE(IsWindowVisible(main));

    MSG escape = {c.btnInstall, WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
    EXPECT_TRUE(IsDialogMessageA(main, &escape));
    EXPECT_FALSE(IsWindow(main)) << "Escape quits";
}

TEST_F(WindowTest, TheDebugOptionsPageAndBackLeaveEveryBoxAsItWas) {
    registry_.CreateKey(setup::Hive::CurrentUser, "\\Software\\Kalvoro\\Toravex\\5");
    registry_.WriteDword(setup::Hive::CurrentUser, "\\Software\\Kalvoro\\Toravex\\5", "HookAllDlls", 2);
    registry_.WriteDword(setup::Hive::CurrentUser, "\\Software\\Kalvoro\\Toravex\\5", "HookBplOnly", 0);
    const auto& c = Open(50).Controls();
    EXPECT_EQ(TextOf(window_->Handle()), "Install Toravex 2.35 for Delphi/BCB 5");
    EXPECT_TRUE(IsWindowVisible(c.cbxSetShortCuts));
    const std::vector<bool> before = Boxes();
    EXPECT_EQ(before, (std::vector<bool>{true, false, false, false, false, true})) << "as stored, else the default";

    SendMessageA(c.btnDebugOptions, BM_CLICK, 0, 0);
    EXPECT_TRUE(IsWindowVisible(c.groupBoxOptions));
    EXPECT_FALSE(IsWindowVisible(c.pnlClient));
    Pump();
    SavePicture("setup5-debug-options.bmp", false);
    SendMessageA(c.btnOptions, BM_CLICK, 0, 0);
    EXPECT_TRUE(IsWindowVisible(c.pnlClient));
    EXPECT_FALSE(IsWindowVisible(c.groupBoxOptions));
    EXPECT_EQ(Boxes(), before);
}
