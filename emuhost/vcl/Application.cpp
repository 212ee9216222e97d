// Forms: TApplication (the hidden application window, the message loop with
// its idle-time action updates and menu shortcuts, termination through the
// terminate procedures, the display of exceptions) and TScreen (the forms).
#include <cstdio>

#include "Vcl.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace vcl {

void* gApplication = nullptr;
void* gScreen = nullptr;
void InitFormClasses();

namespace {

using emuhost::HostClass;
namespace vslot = emuhost::vslot;

const unsigned char kTApplication[] = "\x0CTApplication";
const unsigned char kTScreen[] = "\x07TScreen";
const char kApplicationWindowClass[] = "TApplication";
HostClass gScreenClass;

// The exception being handled by the application, for HandleException.
void* gCurrentException = nullptr;

LRESULT CALLBACK ApplicationWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE && gApplication) {
        if (void* main = app::MainForm(gApplication)) Guarded([&] { emu_Forms_TCustomForm_Close(main); });
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND CreateApplicationWindow(const char* title) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ApplicationWindowProc;
    wc.hInstance = reinterpret_cast<HINSTANCE>(&__ImageBase);
    wc.lpszClassName = kApplicationWindowClass;
    RegisterClassA(&wc);
    return CreateWindowExA(0, kApplicationWindowClass, title, WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU,
                           0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
}

// The title: the program's file name without its extension.
void DefaultTitle(char* title, int size) {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\') name = p + 1;
    lstrcpynA(title, name, size);
    for (char* p = title + lstrlenA(title); p > title; --p)
        if (*p == '.') {
            *p = 0;
            break;
        }
}

void* HOSTCALL FindGlobalForm(const char* name) {
    ListObject* forms = gScreen ? app::Forms(gScreen) : nullptr;
    for (int32_t i = 0; i < rt::Count(forms); ++i)
        if (rt::SameText(component::Name(forms->list[i]), name)) return forms->list[i];
    return nullptr;
}

bool ProcessMessage(MSG& msg) {
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        app::Terminate(gApplication) = true;
        return true;
    }
    bool shortCut = false;
    Guarded([&] { shortCut = IsShortCut(msg); });
    if (!shortCut) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

// Idle: every shown form's actions update themselves.
void Idle() {
    ListObject* forms = app::Forms(gScreen);
    for (int32_t i = 0; i < rt::Count(forms); ++i) {
        void* f = forms->list[i];
        if (control::Handle(f) && IsWindowVisible(control::Handle(f))) Guarded([&] { UpdateActionsOf(f); });
    }
    WaitMessage();
}

}  // namespace

void AddForm(void* f) {
    if (gScreen) rt::ListAdd(app::Forms(gScreen), f);
}
void RemoveForm(void* f) {
    if (gScreen) rt::ListRemove(app::Forms(gScreen), f);
}

// A key press that is a shortcut of the menu of the form it was meant for
// (or of the main form's) clicks that item.
bool IsShortCut(const MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    uint16_t shortCut = static_cast<uint16_t>(msg.wParam & 0xFF);
    if (GetKeyState(VK_SHIFT) < 0) shortCut |= vs::kScShift;
    if (GetKeyState(VK_CONTROL) < 0) shortCut |= vs::kScCtrl;
    if (GetKeyState(VK_MENU) < 0) shortCut |= vs::kScAlt;
    void* forms[2] = {msg.hwnd ? ObjectOfWindow(GetAncestor(msg.hwnd, GA_ROOT)) : nullptr,
                      app::MainForm(gApplication)};
    for (void* f : forms) {
        if (!f || !rt::IsClass(f, emu_Forms_TCustomForm_record.Ref()) || !form::Menu(f)) continue;
        if (void* mi = FindItemByShortCut(item::MenuItems(form::Menu(f)), shortCut)) {
            emu_Menus_TMenuItem_Click(mi);
            return true;
        }
    }
    return false;
}

namespace {
struct DisableSearch {
    HWND except;
    HWND* found;
    int capacity;
    int count;
};
BOOL CALLBACK DisableIfShown(HWND hwnd, LPARAM p) {
    auto* s = reinterpret_cast<DisableSearch*>(p);
    if (hwnd != s->except && hwnd != app::Handle(gApplication) && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd) &&
        s->count < s->capacity) {
        EnableWindow(hwnd, FALSE);
        s->found[s->count++] = hwnd;
    }
    return TRUE;
}
}  // namespace

// Disables the visible, enabled top-level windows of this thread (but the
// application's own) and returns them.
void DisableTaskWindows(HWND except, HWND* disabled, int capacity, int* count) {
    DisableSearch search{except, disabled, capacity, 0};
    EnumThreadWindows(GetCurrentThreadId(), &DisableIfShown, reinterpret_cast<LPARAM>(&search));
    *count = search.count;
}

// What the application does with an exception its message handling raised:
// shows it (unless it is the silent EAbort), then frees it.
void HandleCaught(void* exception) {
    void* previous = gCurrentException;
    gCurrentException = exception;
    emu_Forms_TApplication_HandleException(gApplication, nullptr);
    gCurrentException = previous;
    rt::Free(exception);
}

void InitFormsUnit() {
    InitFormClasses();
    HostClass& application = emu_Forms_TApplication_record;
    emuhost::DefineHostClass(application, kTApplication, L.application.size, rt::TComponentClass(),
                             vslot::kLoaded + 1, {L.application.title});
    emuhost::DefineHostClass(gScreenClass, kTScreen, L.screen.size, rt::TComponentClass(), vslot::kLoaded + 1);
    gScreen = rt::ComponentCreate(gScreenClass.Ref(), 1, nullptr);
    app::Forms(gScreen) = rt::NewList();
    gApplication = rt::ComponentCreate(application.Ref(), 1, nullptr);
    char title[MAX_PATH];
    DefaultTitle(title, sizeof title);
    rt::LStrFromPChar(&app::Title(gApplication), title);
    app::Handle(gApplication) = CreateApplicationWindow(title);
    emu_Forms_Application = gApplication;
    emu_Forms_Screen = gScreen;
    if constexpr (EMUHOST_BUILD >= 60) {
        rt::Entry<void(HOSTCALL*)(void*)>(HOST_ENTRY(Classes_RegisterFindGlobalComponentProc))(
            reinterpret_cast<void*>(&FindGlobalForm));
    } else {
        *static_cast<void**>(HOST_ENTRY(Classes_FindGlobalComponent50)) = reinterpret_cast<void*>(&FindGlobalForm);
    }
}

}  // namespace vcl

using namespace vcl;

EMUHOST_EXPORT_CLASS(Forms_TApplication);

extern "C" {
HostClass emu_Forms_TApplication_record;
void* emu_Forms_Application = nullptr;
void* emu_Forms_Screen = nullptr;

// TApplication.Terminate: ends the message loop when every terminate
// procedure agrees.
VCL_ENTRY void HOSTCALL emu_Forms_TApplication_Terminate(void*) {
    if (rt::CallTerminateProcs()) PostQuitMessage(0);
}

VCL_ENTRY void HOSTCALL emu_Forms_TApplication_ProcessMessages(void*) {
    MSG msg;
    while (ProcessMessage(msg)) {
    }
}

VCL_ENTRY void HOSTCALL emu_Forms_TApplication_HandleMessage(void*) {
    MSG msg;
    if (!ProcessMessage(msg)) Idle();
}

VCL_ENTRY void HOSTCALL emu_Forms_TApplication_Run(void* self) {
    if (void* main = app::MainForm(self); main && !control::Visible(main)) emu_Forms_TCustomForm_Show(main);
    while (!app::Terminate(self)) emu_Forms_TApplication_HandleMessage(self);
}

// TApplication.ShowException: the message (with a full stop) in a box
// captioned by the title.
VCL_ENTRY void HOSTCALL emu_Forms_TApplication_ShowException(void* self, void* exception) {
    char text[1024];
    const char* message = rt::MessageOf(exception) ? rt::MessageOf(exception) : "";
    const int length = lstrlenA(message);
    std::snprintf(text, sizeof text, length > 0 && message[length - 1] > '.' ? "%s." : "%s", message);
    const unsigned char* name = emuhost::ClassNameOf(exception);
    Log("exception %.*s \"%s\"", name[0], reinterpret_cast<const char*>(name + 1), text);
    if (!DialogsScripted()) MessageBoxA(nullptr, text, app::Title(self) ? app::Title(self) : "", MB_OK | MB_ICONSTOP);
}

// TApplication.HandleException: the exception being handled is shown unless
// it is an EAbort.
VCL_ENTRY void HOSTCALL emu_Forms_TApplication_HandleException(void* self, void*) {
    void* e = gCurrentException;
    if (!e || rt::IsClass(e, rt::EAbortClass())) return;
    if (rt::IsClass(e, rt::ExceptionClass())) emu_Forms_TApplication_ShowException(self, e);
}

// TApplication.CreateForm: the first form created becomes the main form.
VCL_ENTRY void HOSTCALL emu_Forms_TApplication_CreateForm(void* self, void* formClass, void** reference) {
    void* f = emuhost::ClassVirtual<void*(HOSTCALL*)(void*, int8_t, void*)>(formClass, emuhost::vslot::kCreate)(
        formClass, 1, self);
    *reference = f;
    if (!app::MainForm(self)) app::MainForm(self) = f;
}
}
