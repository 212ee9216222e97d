// The emulated IDE's application: it starts the VCL's application with its
// splash window, shows the main form when the packages are loaded, then
// runs the message loop; timers started when the main form shows carry out
// the -close, -modal, -open-menu and -autoclose switches.
#include "IdeApplication.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "IdeVcl.h"
#include "SplashComponents.h"

extern "C" {
__declspec(dllimport) void EmuVclSetLog(void (*log)(const char* line));
__declspec(dllimport) void EmuVclScriptDialogs(const char* answers);
}

namespace ide {

namespace {

using namespace idevcl;

IdeSwitches gSwitches;
LogFn gLog = nullptr;
void* gSplash = nullptr;
void* gMain = nullptr;
int gAutoCloseMs = -1;

// The IDE's terminate procedure: asked whether the application may end.
bool HOSTCALL IdeTerminateProc() {
    const bool agrees = !gSwitches.terminateProcRefuses;
    Log("terminate-proc answer=%d", agrees ? 1 : 0);
    return agrees;
}

void CreateSplash() {
    if (!gSwitches.splash) return;
    gSplash = NewForm(&rtlimp_Forms_TForm, "SplashScreen");
    FieldAt<uint8_t>(gSplash, L.customForm.borderStyle) = vs::kBsNone;
    SetBounds(gSplash, 300, 200, 480, 300);
    SetColor(gSplash, 0x402010);
    if (!kOlderBuild) {
        void* label = Create(&rtlimp_Stdctrls_TLabel, gSplash, "SplashLabel");
        SetParent(label, gSplash);
        IDE_CALL(Stdctrls_TCustomLabel_SetTransparent, void(HOSTCALL*)(void*, bool))(label, true);
        SetFontColor(label, vs::kClWhite);
        SetBounds(label, 16, 250, 440, 16);
        SetText(label, "Loading packages...");
        void* status = Create(&rtlimp_Stdctrls_TLabel, gSplash, "SplashStatus");
        SetParent(status, gSplash);
        IDE_CALL(Stdctrls_TCustomLabel_SetTransparent, void(HOSTCALL*)(void*, bool))(status, true);
        SetFontColor(status, vs::kClWhite);
        SetBounds(status, 16, 272, 440, 16);
        ShowSplashStatusIn(gSplash);
    }
    AddSplashComponents(gSplash);
    ShowForm(gSplash);
    ProcessMessages();
}

// Runs the message loop for `ms` (the main form is late).
void Wait(int ms) {
    const DWORD until = GetTickCount() + static_cast<DWORD>(ms);
    while (static_cast<int>(until - GetTickCount()) > 0) {
        ProcessMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, until - GetTickCount(), QS_ALLINPUT);
    }
}

// Ctrl down (or up again) in this thread's keyboard state, as when the
// user holds it.
void HoldCtrl(bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = keys[VK_LCONTROL] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

// The item after "FileExitItem" in its menu (the fast-quit item), if any.
void* ItemAfterExit() {
    void* exit = FindComponent(gMain, "FileExitItem");
    void* menu = exit ? FieldAt<void*>(exit, L.menuItem.parent) : nullptr;
    if (!menu) return nullptr;
    void* last = ItemAt(menu, ItemCount(menu) - 1);
    return last == exit ? nullptr : last;
}

void CALLBACK AutoClose(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    Log("autoclose");
    PostMessageA(Handle(gMain), WM_CLOSE, 0, 0);
}

void CALLBACK CloseBySwitch(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    switch (gSwitches.close.kind) {
        case CloseSwitch::kCtrl:
        case CloseSwitch::kCtrlSecondary: {
            void* target =
                gSwitches.close.kind == CloseSwitch::kCtrl ? gMain : FindComponent(Application(), "EditWindow");
            if (!target) return;
            Log("close-request ctrl %s", NameOf(target));
            HoldCtrl(true);
            SendMessageA(Handle(target), WM_CLOSE, 0, 0);
            HoldCtrl(false);
            return;
        }
        case CloseSwitch::kMenu: {
            void* item = ItemAfterExit();
            Log("close-request menu %s", item ? NameOf(item) : "none");
            if (item) ClickItem(item);
            return;
        }
        default:
            return;
    }
}

void CALLBACK OpenModal(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    void* about = NewModalDialog();
    const int32_t result = ShowModal(about);
    Log("modal AboutBox result=%d", result);
    Free(about);
}

// Half a second after the menu dropped down (the menu's own loop runs the
// timers): the picture, then the menu closes.
void CALLBACK PictureMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    const bool saved = SaveMenuPicture(Handle(gMain), gSwitches.menuPicture.c_str());
    if (saved) Log("menu-picture %s", gSwitches.menuPicture.c_str());
    else Log("menu-picture failed");
    EndMenu();
}

// Drops a menu of the menu bar down the keyboard's way: Alt and the
// menu's underlined letter.
void CALLBACK OpenMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    void* menu = FindComponent(gMain, gSwitches.openMenu.c_str());
    const char* caption = menu ? FieldAt<char*>(menu, L.menuItem.caption) : nullptr;
    const char* amp = caption ? std::strchr(caption, '&') : nullptr;
    if (!amp || !amp[1]) return;
    Log("menu-open %s", gSwitches.openMenu.c_str());
    const unsigned char key = static_cast<unsigned char>(amp[1] | 0x20);  // the letter in lower case
    PostMessageA(Handle(gMain), WM_SYSCOMMAND, SC_KEYMENU, key);
    if (!gSwitches.menuPicture.empty()) SetTimer(nullptr, 0, 500, &PictureMenu);
}

void LogItems(void* parent, const std::string& path) {
    for (int32_t i = 0; i < ItemCount(parent); ++i) {
        void* item = ItemAt(parent, i);
        const std::string itemPath = path + NameOf(item);
        const char* caption = FieldAt<char*>(item, L.menuItem.caption);
        const uint16_t shortCut = FieldAt<uint16_t>(item, L.menuItem.shortCut);
        void* action = FieldAt<void*>(item, L.menuItem.action);
        Log("menu-item %s caption=\"%s\" visible=%d shortcut=%s image=%d action=%s", itemPath.c_str(),
            caption ? caption : "", FieldAt<bool>(item, L.menuItem.visible) ? 1 : 0,
            shortCut ? ShortCutText(shortCut).c_str() : "none", FieldAt<int32_t>(item, L.menuItem.imageIndex),
            action ? NameOf(action) : "none");
        LogItems(item, itemPath + "/");
    }
}

void CALLBACK DumpMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    void* menu = FindComponent(gMain, "MainMenu1");
    if (menu) LogItems(FieldAt<void*>(menu, L.menu.items), "");
}

}  // namespace

void Log(const char* format, ...) {
    if (!gLog) return;
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    gLog(line);
}

const IdeSwitches& Switches() { return gSwitches; }

void StartApplication(const IdeSwitches& switches, LogFn log) {
    gSwitches = switches;
    gLog = log;
    EmuVclSetLog(log);
    if (switches.scriptDialogs) EmuVclScriptDialogs(switches.dialogAnswers.c_str());
    IDE_CALL(Sysutils_AddTerminateProc, void(HOSTCALL*)(void*))(reinterpret_cast<void*>(&IdeTerminateProc));
    StartIdeServices();
    CreateSplash();
}

HWND ShowMainForm() {
    if (gSwitches.mainFormDelayMs > 0) Wait(gSwitches.mainFormDelayMs);
    gMain = CreateMainForm();
    ShowForm(gMain);
    ProcessMessages();
    if (gSplash) {
        LogSplashClose(gSplash);
        Free(gSplash);
        gSplash = nullptr;
        ShowSplashStatusIn(nullptr);
    }
    return Handle(gMain);
}

void RunApplication(int autoCloseMs) {
    gAutoCloseMs = autoCloseMs;
    CreateSecondaryWindows();
    if (gSwitches.colorBox) ShowColorForm();
    if (gSwitches.close.kind != CloseSwitch::kNone)
        SetTimer(nullptr, 0, static_cast<UINT>(gSwitches.close.delayMs), &CloseBySwitch);
    if (gSwitches.modalDelayMs >= 0) SetTimer(nullptr, 0, static_cast<UINT>(gSwitches.modalDelayMs), &OpenModal);
    if (gSwitches.dumpMenuDelayMs >= 0) SetTimer(nullptr, 0, static_cast<UINT>(gSwitches.dumpMenuDelayMs), &DumpMenu);
    if (!gSwitches.openMenu.empty()) SetTimer(nullptr, 0, static_cast<UINT>(gSwitches.openMenuDelayMs), &OpenMenu);
    if (autoCloseMs >= 0) SetTimer(nullptr, 0, static_cast<UINT>(autoCloseMs), &AutoClose);
    IDE_CALL(Forms_TApplication_Run, void(HOSTCALL*)(void*))(Application());
}

// The application's forms are freed, the main form last.
void DestroyForms() {
    void* screen = *reinterpret_cast<void**>(&rtlimp_Forms_Screen);
    auto* forms = FieldAt<hostabi::ListObject*>(screen, L.screen.forms);
    while (forms && forms->count > 0) {
        void* last = forms->list[forms->count - 1];
        if (last == gMain && forms->count > 1) last = forms->list[0];
        Free(last);
    }
    gMain = nullptr;
}

void FinalizeUnits() {
    LogActionUpdates();
    LogPalette(false);
    LogPalette(true);
    for (const char* unit : {"ComponentPalette", "IdeServices", "AppMain"}) Log("finalization %s", unit);
}

}  // namespace ide
