// The plug-in's IDE hooks against the emulated VCL of build 100 loaded in
// this process: the close sequence and fast quit (with the process's end
// replaced by a recorder), the quit texts and their language, the menu
// items of the end of start-up and the shortcut takeover, the colour-box
// fix and the palette batching (both written into the loaded code), and the
// end-of-start-up watch.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "HostCall.h"
#include "HostClasses.h"
#include "HostNames.h"
#include "TestSupport.h"
#include "VclInterface.h"
#include "base/HostException.h"
#include "base/HostRuntime.h"
#include "base/HostString.h"
#include "base/Lifecycle.h"
#include "base/Options.h"
#include "base/UserMessages.h"
#include "ide/FastQuit.h"
#include "ide/HostVcl.h"
#include "ide/MenuHooks.h"
#include "ide/PaletteBatching.h"
#include "ide/QuitTexts.h"
#include "ide/StartupWatch.h"
#include "ide/VCLHooks.h"

namespace {

namespace n = hostnames;
namespace vs = hostabi::vcl;
using hostabi::FieldAt;
using hostabi::MethodRef;

const hostabi::VclLayout& L = hostabi::VclLayoutFor(100);

HMODULE Load(const char* file) {
    testsupport::LoadEmulatedRuntime(100);
    return LoadLibraryA((testsupport::EmulatedIdeDir(100) + "\\" + file).c_str());
}
HMODULE Vcl() {
    static HMODULE vcl = Load("vcl100.bpl");
    return vcl;
}

template <class Fn>
Fn Entry(const n::HostName& name) {
    return reinterpret_cast<Fn>(toravex::FindHostExport(name));
}

void* Create(const n::HostName& classRef, void* owner, const char* name) {
    void* cls = toravex::FindHostExport(classRef);
    using Ctor = void*(HOSTCALL*)(void*, int8_t, void*);
    void* c = emuhost::ClassVirtual<Ctor>(cls, emuhost::vslot::kCreate)(cls, 1, owner);
    toravex::HostString text(name);
    if (name) Entry<void(HOSTCALL*)(void*, const char*)>(n::Classes_TComponent_SetName)(c, text.Get());
    return c;
}
void* NewForm(const char* name) {
    using CreateNew = void*(HOSTCALL_STACK*)(void*, int8_t, void*, int32_t);
    void* f = Entry<CreateNew>(n::Forms_TCustomForm_CreateNew)(toravex::FindHostExport(n::Forms_TForm), 1,
                                                              *Entry<void**>(n::Forms_Application), 0);
    toravex::HostString text(name);
    Entry<void(HOSTCALL*)(void*, const char*)>(n::Classes_TComponent_SetName)(f, text.Get());
    return f;
}
void Free(void* object) { Entry<void(HOSTCALL*)(void*)>(n::System_TObject_Free)(object); }
void* Application() { return *Entry<void**>(n::Forms_Application); }
HWND HandleOf(void* c) { return Entry<HWND(HOSTCALL*)(void*)>(n::Controls_TWinControl_GetHandle)(c); }
void* AddItem(void* owner, void* parent, const char* name, const char* caption) {
    void* item = Create(n::Menus_TMenuItem, owner, name);
    toravex::HostString text(caption);
    Entry<void(HOSTCALL*)(void*, const char*)>(n::Menus_TMenuItem_SetCaption)(item, text.Get());
    Entry<void(HOSTCALL*)(void*, void*)>(n::Menus_TMenuItem_Add)(parent, item);
    return item;
}

std::vector<std::string> gLog;
void Record(const char* line) { gLog.push_back(line); }
void ScriptDialogs(const char* answers) {
    reinterpret_cast<void (*)(const char*)>(GetProcAddress(Vcl(), "EmuVclScriptDialogs"))(answers);
}

// What the process's end and the shut-down chain did.
std::vector<std::string> gEvents;
void RecordEnd(unsigned code) { gEvents.push_back("terminate " + std::to_string(code)); }
toravex::ShutdownHandler gBelow = nullptr;
void RecordChain() {
    gEvents.push_back("chain");
    if (gBelow) gBelow();
}
void RaisingChain() {
    gEvents.push_back("chain raises");
    toravex::HostString text("x");
    Entry<int32_t(HOSTCALL*)(const char*)>(n::Sysutils_StrToInt)(text.Get());
}

struct CloseScript {
    bool refuse = false;
    bool raise = false;
    bool raiseAbort = false;
} gScript;
void HOSTCALL OnCloseQuery(void*, void* form, bool* canClose) {
    gEvents.push_back(std::string("closequery ") + toravex::vcl::NameOf(form));
    if (gScript.refuse) *canClose = false;
    if (gScript.raise) {
        toravex::HostString text("Cannot save");
        void* e = Entry<void*(HOSTCALL*)(void*, int8_t, const char*)>(n::Sysutils_Exception_Create)(
            toravex::FindHostExport(n::Sysutils_Exception), 1, text.Get());
        toravex::host::RaiseHostException(e);
    }
    if (gScript.raiseAbort) Entry<void(HOSTCALL*)()>(n::Sysutils_Abort)();
}
void HOSTCALL OnClose(void*, void* form, uint8_t* action) {
    gEvents.push_back(std::string("close ") + toravex::vcl::NameOf(form) + " " + std::to_string(*action));
}
bool gTerminateAgrees = true;
bool HOSTCALL TerminateProc() {
    gEvents.push_back("terminate-proc");
    return gTerminateAgrees;
}

void HoldCtrl(bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

class IdeHooks : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_NE(Vcl(), nullptr);
        reinterpret_cast<void (*)(void (*)(const char*))>(GetProcAddress(Vcl(), "EmuVclSetLog"))(&Record);
        Entry<void(HOSTCALL*)(void*)>(n::Sysutils_AddTerminateProc)(reinterpret_cast<void*>(&TerminateProc));
    }
    void SetUp() override {
        gLog.clear();
        gEvents.clear();
        gScript = {};
        gTerminateAgrees = true;
        previousTerminator_ = toravex::SetProcessTerminator(&RecordEnd);
        savedChain_ = toravex::ShutdownChain;
        toravex::ShutdownChain = nullptr;
        gBelow = toravex::InstallShutdownHandler(&RecordChain);
        main_ = NewForm("MainForm");
        FieldAt<void*>(Application(), L.application.mainForm) = main_;
        for (void* f : {main_}) {
            FieldAt<MethodRef>(f, L.customForm.onCloseQuery) = {reinterpret_cast<void*>(&OnCloseQuery), nullptr};
            FieldAt<MethodRef>(f, L.customForm.onClose) = {reinterpret_cast<void*>(&OnClose), nullptr};
        }
    }
    void TearDown() override {
        HoldCtrl(false);
        FieldAt<void*>(Application(), L.application.mainForm) = nullptr;
        FieldAt<bool>(Application(), L.application.terminate) = false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        Free(main_);
        toravex::SetProcessTerminator(previousTerminator_);
        toravex::ShutdownChain = savedChain_;
    }

    void* main_ = nullptr;
    toravex::ProcessTerminator previousTerminator_ = nullptr;
    toravex::ShutdownHandler savedChain_ = nullptr;
};

// ---- Fast quit -------------------------------------------------------------

TEST_F(IdeHooks, CtrlClosingTheMainFormEndsTheProcessAfterTheCloseAndTheChainOtherClosesStayOrdinary) {
    void* editor = NewForm("Editor");
    FieldAt<MethodRef>(editor, L.customForm.onClose) = {reinterpret_cast<void*>(&OnClose), nullptr};
    struct Case {
        const char* what;
        bool ctrl;
        bool onMain;
        CloseScript script;
        const char* dialogs;
        std::vector<std::string> events;
        bool ended;  // the application was asked to end
    };
    const Case cases[] = {
        {"Ctrl: closed, then the chain, then the end", true, true, {}, "",
         {"closequery MainForm", "close MainForm 1", "terminate-proc", "chain", "terminate 0"}, true},
        {"no Ctrl: the ordinary end of the application", false, true, {}, "",
         {"closequery MainForm", "close MainForm 1", "terminate-proc"}, true},
        {"the unsaved file is kept", true, true, {true, false, false}, "", {"closequery MainForm"}, false},
        {"another form: hidden", true, false, {}, "", {"close Editor 1"}, false},
        {"an error, then No", true, true, {false, true, false}, "No", {"closequery MainForm"}, false},
        {"an error, then Yes", true, true, {false, true, false}, "Yes", {"closequery MainForm", "chain", "terminate 0"},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        gEvents.clear();
        gLog.clear();
        gScript = c.script;
        ScriptDialogs(c.dialogs);
        HoldCtrl(c.ctrl);
        toravex::FormCloseHook(c.onMain ? main_ : editor);
        EXPECT_EQ(gEvents, c.events);
        MSG msg;
        const bool ended = PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0 ||
                           FieldAt<bool>(Application(), L.application.terminate);
        EXPECT_EQ(ended, c.ended);
        FieldAt<bool>(Application(), L.application.terminate) = false;
        if (c.script.raise) {
            ASSERT_EQ(gLog.size(), 2u);
            EXPECT_EQ(gLog[0], "exception Exception \"Cannot save.\"");
            EXPECT_EQ(gLog[1].rfind("dialog Confirmation \"An exception occured while quitting. Do you want to kill "
                                    "Delphi/BCB now?\" buttons=Yes,No",
                                    0),
                      0u)
                << gLog[1];
        }
    }
    Free(editor);
}

TEST_F(IdeHooks, CtrlCloseDoesNothingWhileAModalDialogIsOpenAndAModalFormOnlyGetsCancel) {
    HoldCtrl(true);
    HWND main = HandleOf(main_);  // hidden: no cost to destroy
    EnableWindow(main, FALSE);    // as while a modal dialog runs
    toravex::FormCloseHook(main_);
    EXPECT_TRUE(gEvents.empty());
    EnableWindow(main, TRUE);

    void* dialog = NewForm("Dialog");
    FieldAt<uint8_t>(dialog, L.customForm.formState) |= vs::kFsModal;
    EXPECT_EQ(toravex::PerformFormClose(dialog), vs::kCaNone);
    EXPECT_EQ(FieldAt<int32_t>(dialog, L.customForm.modalResult), vs::kMrCancel);
    FieldAt<uint8_t>(dialog, L.customForm.formState) = 0;
    Free(dialog);
}

TEST_F(IdeHooks, AnAbortWhileClosingPassesOnUnchangedAndNothingEnds) {
    gScript.raiseAbort = true;
    HoldCtrl(true);
    std::string className;
    std::string message = testsupport::RaisedMessage([&] { toravex::FormCloseHook(main_); }, &className);
    EXPECT_EQ(className, "EAbort");
    EXPECT_EQ(message, "Operation aborted");
    EXPECT_EQ(gEvents, std::vector<std::string>{"closequery MainForm"});
}

TEST_F(IdeHooks, TheFastQuitItemWarnsThenClosesAndEndsUnlessAnAnswerOrAProcedureRefuses) {
    struct Case {
        const char* what;
        const char* dialogs;
        bool refuse;
        bool terminateAgrees;
        std::vector<std::string> events;
    };
    const Case cases[] = {
        {"OK", "OK", false, true, {"closequery MainForm", "close MainForm 1", "terminate-proc", "chain", "terminate 0"}},
        {"Cancel", "Cancel", false, true, {}},
        {"the unsaved file is kept", "OK", true, true, {"closequery MainForm"}},
        {"a terminate procedure refuses", "OK", false, false, {"closequery MainForm", "close MainForm 1", "terminate-proc"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        gEvents.clear();
        gLog.clear();
        gScript.refuse = c.refuse;
        gTerminateAgrees = c.terminateAgrees;
        ScriptDialogs(c.dialogs);
        toravex::FastQuitMenuClick(nullptr, nullptr);
        EXPECT_EQ(gEvents, c.events);
        ASSERT_FALSE(gLog.empty());
        EXPECT_EQ(gLog[0], std::string("dialog Warning \"") + toravex::QuitText(toravex::QuitTextKind::kWarning) +
                               "\" buttons=OK,Cancel answer=" + c.dialogs);
    }
}

TEST_F(IdeHooks, AnExceptionInTheShutDownChainShowsTheBoxAndTheProcessStillEnds) {
    static std::vector<std::string> boxes;
    boxes.clear();
    auto previous = toravex::SetMessageBoxHandler([](const char* text, const char* caption, unsigned) {
        boxes.push_back(std::string(caption) + "|" + text);
        return IDOK;
    });
    toravex::ShutdownChain = nullptr;
    toravex::InstallShutdownHandler(&RaisingChain);
    HoldCtrl(true);
    toravex::FormCloseHook(main_);
    toravex::SetMessageBoxHandler(previous);
    EXPECT_EQ(gEvents, (std::vector<std::string>{"closequery MainForm", "close MainForm 1", "terminate-proc",
                                                 "chain raises", "terminate 0"}));
    EXPECT_EQ(boxes, std::vector<std::string>{"Toravex - EConvertError|'x' is not a valid integer value"});
}

TEST(QuitTexts, TheLanguageFileMustBeAFileBesideTheProgramAndMatchTheUsersLanguage) {
    const std::string dir = testsupport::TempDir() + "\\lang";
    CreateDirectoryA(dir.c_str(), nullptr);
    auto file = [&](const char* name, bool present) {
        const std::string path = dir + "\\" + name;
        if (present) std::ofstream(path) << "";
        else DeleteFileA(path.c_str());
    };
    struct Case {
        int language;
        bool de, fra, fr, deIsDirectory;
        int chosen;
    };
    const Case cases[] = {
        {7, true, false, false, false, 7},  {7, false, false, false, false, 9}, {7, false, false, false, true, 9},
        {7, false, true, false, false, 9},  {12, false, true, false, false, 12}, {12, true, false, false, false, 9},
        {9, true, true, true, false, 9},    {16, false, false, true, false, 9},  {12, false, false, true, false, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.language << (c.de ? " de" : "") << (c.fra ? " fra" : "")
                                        << (c.deIsDirectory ? " de-directory" : ""));
        file("dcc32.de", c.de);
        file("dcc32.fra", c.fra);
        file("dcc32.fr", c.fr);
        if (c.deIsDirectory) CreateDirectoryA((dir + "\\dcc32.de").c_str(), nullptr);
        EXPECT_EQ(toravex::QuitTextLanguageFor(c.language, dir.c_str()), c.chosen);
        EXPECT_EQ(toravex::QuitTextLanguageFor(c.language, (dir + "\\").c_str()), c.chosen);
        RemoveDirectoryA((dir + "\\dcc32.de").c_str());
    }

    // The texts of each language, in code page 1252.
    const int saved = toravex::QuitTextLanguage;
    toravex::QuitTextLanguage = 7;
    EXPECT_STREQ(toravex::QuitText(toravex::QuitTextKind::kMenuCaption), "Alles schlie\xDF" "en und Prozess beenden");
    toravex::QuitTextLanguage = 12;
    EXPECT_STREQ(toravex::QuitText(toravex::QuitTextKind::kErrorQuestion),
                 "Une erreur s'est produite pendant la fermeture de Delphi/BCB. Voulez-vous terminer le processus ?");
    toravex::QuitTextLanguage = 9;
    EXPECT_STREQ(toravex::QuitText(toravex::QuitTextKind::kMenuCaption), "Close all and terminate process");
    toravex::QuitTextLanguage = saved;
}

// ---- Menus at the end of start-up ------------------------------------------

int gUpdates = 0;
void HOSTCALL CountUpdate(void*, void*) { ++gUpdates; }

TEST_F(IdeHooks, HiddenItemsAreShownWithTheirActionsAndTheFastQuitItemFollowsTheExitItem) {
    void* menu = Create(n::Menus_TMainMenu, main_, "MainMenu1");
    void* bar = FieldAt<void*>(menu, L.menu.items);
    void* file = AddItem(main_, bar, "FileMenu", "&File");
    AddItem(main_, file, "FileOpenItem", "&Open");
    void* exit = AddItem(main_, file, "FileExitItem", "E&xit");
    Entry<void(HOSTCALL*)(void*, int32_t)>(n::Menus_TMenuItem_SetImageIndex)(exit, 43);
    void* cache = AddItem(main_, file, "ProjectClearUnitCacheItem", "Clear");
    Entry<void(HOSTCALL*)(void*, bool)>(n::Menus_TMenuItem_SetVisible)(cache, false);
    void* action = Create(n::Actnlist_TAction, main_, "ClearCommand");
    Entry<void(HOSTCALL*)(void*, bool)>(n::Actnlist_TCustomAction_SetVisible)(action, false);
    FieldAt<void*>(cache, L.menuItem.action) = action;
    Create(n::Classes_TComponent, main_, "HelpWinSDKItem");  // a name, but no menu item

    EXPECT_EQ(toravex::FindMainMenuItem("FileExitItem"), exit);
    EXPECT_EQ(toravex::FindMainMenuItem("fileexititem"), exit);
    EXPECT_EQ(toravex::FindMainMenuItem("HelpWinSDKItem"), nullptr);
    toravex::ShowHiddenMenuItems();
    EXPECT_TRUE(FieldAt<bool>(cache, L.menuItem.visible));
    EXPECT_TRUE(FieldAt<bool>(action, L.customAction.visible));

    toravex::QuitTextLanguage = 9;
    toravex::AddFastQuitMenuItem();
    ASSERT_EQ(Entry<int32_t(HOSTCALL*)(void*)>(n::Menus_TMenuItem_GetCount)(file), 4);
    void* quit = Entry<void*(HOSTCALL*)(void*, int32_t)>(n::Menus_TMenuItem_GetItem)(file, 3);
    EXPECT_STREQ(FieldAt<char*>(quit, L.menuItem.caption), "Close all and terminate process");
    EXPECT_EQ(FieldAt<int32_t>(quit, L.menuItem.imageIndex), 43);
    EXPECT_EQ(FieldAt<void*>(quit, L.component.owner), exit);
    EXPECT_EQ(FieldAt<MethodRef>(quit, L.menuItem.onClick).code, reinterpret_cast<void*>(&toravex::FastQuitMenuClick));

    // Without the exit item there is no fast-quit item.
    Free(exit);
    toravex::AddFastQuitMenuItem();
    EXPECT_EQ(Entry<int32_t(HOSTCALL*)(void*)>(n::Menus_TMenuItem_GetCount)(file), 2);
}

TEST_F(IdeHooks, TheShortcutTakeoverKeepsTheActionsOwnUpdateAndLeavesGivenShortcutsAlone) {
    void* menu = Create(n::Menus_TMainMenu, main_, "MainMenu1");
    void* bar = FieldAt<void*>(menu, L.menu.items);
    auto linked = [&](const char* item, const char* action, uint16_t shortCut) {
        void* a = Create(n::Actnlist_TAction, main_, action);
        Entry<void(HOSTCALL*)(void*, uint16_t)>(n::Actnlist_TCustomAction_SetShortCut)(a, shortCut);
        FieldAt<MethodRef>(a, L.basicAction.onUpdate) = {reinterpret_cast<void*>(&CountUpdate), nullptr};
        void* i = Create(n::Menus_TMenuItem, main_, item);
        Entry<void(HOSTCALL*)(void*, void*)>(n::Menus_TMenuItem_SetAction)(i, a);
        Entry<void(HOSTCALL*)(void*, void*)>(n::Menus_TMenuItem_Add)(bar, i);
        return std::pair{i, a};
    };
    auto [noDebug, noDebugAction] = linked("RunRunNoDebugItem", "RunRunNoDebugCommand", 0);
    auto [build, buildAction] = linked("ProjectBuildItem", "ProjectBuildCommand", vs::kScCtrl | vs::kVkF9);

    toravex::Options.SetShortCuts = false;
    toravex::TakeOverShortcuts();
    EXPECT_EQ(FieldAt<uint16_t>(noDebug, L.menuItem.shortCut), 0);

    gUpdates = 0;
    toravex::Options.SetShortCuts = true;
    toravex::TakeOverShortcuts();
    const uint16_t ctrlShiftF9 = vs::kScCtrl | vs::kScShift | vs::kVkF9;
    EXPECT_EQ(FieldAt<uint16_t>(noDebugAction, L.customAction.shortCut), ctrlShiftF9);
    EXPECT_EQ(FieldAt<uint16_t>(noDebug, L.menuItem.shortCut), ctrlShiftF9);
    EXPECT_EQ(gUpdates, 1);  // once at once, through the saved handler
    // The IDE's update writes the shortcut again; its own handler still runs.
    FieldAt<uint16_t>(noDebugAction, L.customAction.shortCut) = 0;
    EXPECT_TRUE(Entry<bool(HOSTCALL*)(void*)>(n::Classes_TBasicAction_Update)(noDebugAction));
    EXPECT_EQ(FieldAt<uint16_t>(noDebugAction, L.customAction.shortCut), ctrlShiftF9);
    EXPECT_EQ(gUpdates, 2);
    // An action with a shortcut of its own keeps it and its handler.
    EXPECT_EQ(FieldAt<uint16_t>(build, L.menuItem.shortCut), vs::kScCtrl | vs::kVkF9);
    EXPECT_EQ(FieldAt<MethodRef>(buildAction, L.basicAction.onUpdate).code, reinterpret_cast<void*>(&CountUpdate));
    // The handler on an item of another name does nothing.
    void* other = Create(n::Menus_TMenuItem, main_, "OtherItem");
    toravex::ShortcutUpdate(other, buildAction);
    EXPECT_EQ(FieldAt<uint16_t>(buildAction, L.customAction.shortCut), vs::kScCtrl | vs::kVkF9);
    EXPECT_EQ(gUpdates, 2);
}

// ---- The colour-box fix ----------------------------------------------------

TEST_F(IdeHooks, WithTheColourBoxFixALoadedColourBoxFillsOnceAfterLoadingWithItsColourSelected) {
    auto load = reinterpret_cast<void (*)(void*, const char*)>(GetProcAddress(Vcl(), "EmuVclLoadFormDescription"));
    const char* description =
        "object Colors: TForm\n  object Box: TColorBox\n    Style = [cbStandardColors, cbExtendedColors]\n"
        "    Selected = clTeal\n  end\nend\n";
    void* populate = toravex::FindHostExport(n::Extctrls_TCustomColorBox_PopulateList);
    uint8_t before[5];
    std::memcpy(before, populate, 5);

    void* form = NewForm("Colors");
    Entry<void(HOSTCALL*)(void*)>(n::Forms_TCustomForm_Show)(form);
    toravex::InstallColorBoxHooks();
    load(form, description);
    toravex::RemoveColorBoxHooks();
    void* box = toravex::vcl::FindComponent(form, "Box");
    int fills = 0;
    for (const std::string& line : gLog) fills += line.rfind("colorbox-populate Box", 0) == 0;
    EXPECT_EQ(fills, 1);
    EXPECT_EQ(SendMessageA(HandleOf(box), CB_GETCURSEL, 0, 0), 6);  // clTeal
    EXPECT_EQ(std::memcmp(before, populate, 5), 0) << "the routine is restored";
    Free(form);
}

// ---- Palette batching ------------------------------------------------------

struct Services {
    void* const* vtable;
};
void* gPaletteServiceForTest = nullptr;
HRESULT WINAPI ServicesQuery(Services*, const hostabi::GuidRec* iid, void** out) {
    using Query = HRESULT(WINAPI*)(void*, const hostabi::GuidRec*, void**);
    return (*static_cast<Query* const*>(gPaletteServiceForTest))[0](gPaletteServiceForTest, iid, out);
}
void* const kServicesSlots[] = {reinterpret_cast<void*>(&ServicesQuery), nullptr, nullptr};
Services gServices{kServicesSlots};

std::string PaletteReport(HMODULE palette) {
    char line[256];
    reinterpret_cast<void (*)(char*, int)>(GetProcAddress(palette, "EmuPaletteReport"))(line, sizeof line);
    std::string s = line;
    return s.substr(0, s.find(" items="));
}

TEST(PaletteBatching, ManyNoticesWhileStartingMakeOneUpdateBracketAndOneRebuild) {
    Vcl();
    HMODULE designIde = Load("designide100.bpl");
    HMODULE palette = Load("dotnetcoreide100.bpl");
    ASSERT_TRUE(designIde && palette);
    gPaletteServiceForTest = reinterpret_cast<void* (*)()>(GetProcAddress(palette, "EmuPaletteServices"))();
    reinterpret_cast<void (*)()>(GetProcAddress(palette, "EmuPaletteReset"))();
    using Add = void(HOSTCALL*)(void*, const char*, const char*);
    auto add = (*static_cast<Add* const*>(gPaletteServiceForTest))[3];
    const toravex::HostString page("Page"), name("TThing");

    // Without the IDE's services object nothing is batched.
    toravex::StartupPhase = true;
    toravex::PaletteBatchStep();
    add(gPaletteServiceForTest, page.Get(), name.Get());
    EXPECT_EQ(PaletteReport(palette), "modified=1 rebuilds=1 begin=0 end=0");

    *static_cast<void**>(toravex::FindHostExport(n::Toolsapi_BorlandIDEServices)) = &gServices;
    toravex::PaletteBatchStep();
    toravex::PaletteBatchStep();  // the next library: nothing more
    for (int i = 0; i < 40; ++i) add(gPaletteServiceForTest, page.Get(), name.Get());
    EXPECT_EQ(PaletteReport(palette), "modified=1 rebuilds=1 begin=1 end=0");
    toravex::EndPaletteBatching();
    EXPECT_EQ(PaletteReport(palette), "modified=1 rebuilds=2 begin=1 end=1");
    // Afterwards each notice reaches the palette again.
    add(gPaletteServiceForTest, page.Get(), name.Get());
    EXPECT_EQ(PaletteReport(palette), "modified=2 rebuilds=3 begin=1 end=1");
    *static_cast<void**>(toravex::FindHostExport(n::Toolsapi_BorlandIDEServices)) = nullptr;
}

// ---- The end-of-start-up watch ---------------------------------------------

TEST_F(IdeHooks, StartUpEndsOnceTheMainFormsWindowIsVisibleAndNotWhenTheApplicationEndsFirst) {
    testsupport::StepRecorder recorder;
    toravex::StartupPhase = true;
    FieldAt<void*>(Application(), L.application.mainForm) = nullptr;
    toravex::StartupWatchTick();  // no main form yet
    FieldAt<void*>(Application(), L.application.mainForm) = main_;
    toravex::StartupWatchTick();  // no window yet
    HandleOf(main_);
    toravex::StartupWatchTick();  // a window, not visible
    FieldAt<bool>(Application(), L.application.terminate) = true;
    toravex::StartupWatchTick();  // asked to end: the watch stops
    EXPECT_TRUE(toravex::StartupPhase);
    FieldAt<bool>(Application(), L.application.terminate) = false;
    Entry<void(HOSTCALL*)(void*)>(n::Forms_TCustomForm_Show)(main_);
    toravex::StartupWatchTick();
    toravex::StartupWatchTick();
    EXPECT_FALSE(toravex::StartupPhase);
    EXPECT_EQ(recorder.StepsWithPrefix("end:ClearStartupPhase").size(), 1u);
    EXPECT_EQ(recorder.StepsWithPrefix("end:").back(), "end:AddFastQuitMenuItem");
    toravex::StartupPhase = true;
}

}  // namespace
