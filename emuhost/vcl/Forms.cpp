// Forms: TCustomForm, a top-level window owned by the application's window:
// its close sequence (CloseQuery, OnClose through DoClose, then hide,
// minimize, free or, for the main form, the end of the application), the
// modal state, the menu bar, the window state and Release.
#include "Vcl.h"

namespace vcl {

namespace {

using emuhost::HostClass;
namespace vslot = emuhost::vslot;

const unsigned char kTCustomForm[] = "\x0BTCustomForm";
const unsigned char kTForm[] = "\x05TForm";
constexpr UINT kCmRelease = 0xB000 + 33;

using CloseEvent = void(HOSTCALL*)(void* data, void* sender, uint8_t* action);
using CloseQueryEvent = void(HOSTCALL*)(void* data, void* sender, bool* canClose);

DWORD StyleOf(void* self) {
    const uint8_t icons = form::BorderIcons(self);
    DWORD style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    switch (form::BorderStyle(self)) {
        case vs::kBsNone: return style | WS_POPUP;
        case vs::kBsDialog: return style | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
        case vs::kBsSingle: style |= WS_CAPTION | WS_BORDER; break;
        default: style |= WS_CAPTION | WS_THICKFRAME; break;
    }
    if (icons & vs::kBiSystemMenu) style |= WS_SYSMENU;
    if (icons & vs::kBiMinimize) style |= WS_MINIMIZEBOX;
    if (icons & vs::kBiMaximize) style |= WS_MAXIMIZEBOX;
    return style;
}

void HOSTCALL CreateFormWindow(void* self) {
    char className[64];
    const unsigned char* name = emuhost::ClassNameOf(self);
    lstrcpynA(className, reinterpret_cast<const char*>(name + 1), name[0] + 1 < 64 ? name[0] + 1 : 64);
    void* menu = form::Menu(self);
    WindowParams params{className, false, StyleOf(self),
                    form::BorderStyle(self) == vs::kBsDialog ? static_cast<DWORD>(WS_EX_DLGMODALFRAME) : 0u,
                    gApplication ? app::Handle(gApplication) : nullptr, menu ? BuildMenuHandle(menu) : nullptr,
                    control::Left(self), control::Top(self), control::Width(self), control::Height(self)};
    CreateVclWindow(self, params);
}

bool HOSTCALL FormWndProc(void* self, Message* m) {
    switch (m->message) {
        case WM_CLOSE:
            emu_Forms_TCustomForm_Close(self);
            return true;
        case WM_COMMAND:
            if (m->lParam == 0 && HIWORD(m->wParam) == 0) {
                if (void* mi = FindItemByCommand(LOWORD(m->wParam))) emu_Menus_TMenuItem_Click(mi);
                return true;
            }
            break;
        case kCmRelease:
            rt::Free(self);
            return true;
    }
    return WinControlWndProc(self, m);
}

void HOSTCALL DestroyForm(void* self, int8_t outermost) {
    rt::BeforeDestruction(self, outermost);
    Notify(form::OnDestroy(self), self);
    RemoveForm(self);
    if (gApplication && app::MainForm(gApplication) == self) app::MainForm(gApplication) = nullptr;
    WinControlDestroy(self);
    rt::InheritedDestroy(rt::TComponentClass(), self);
    if (outermost) rt::ClassDestroy(self);
}

void* HOSTCALL FormCreateVirtual(void* c, int8_t a, void* o) { return emu_Forms_TCustomForm_Create(c, a, o); }
bool HOSTCALL FormCloseQueryVirtual(void* self) { return emu_Forms_TCustomForm_CloseQuery(self); }

// TCustomForm.CloseModal: a closing modal form asks CloseQuery and OnClose.
void CloseModal(void* self) {
    uint8_t action = vs::kCaNone;
    if (emu_Forms_TCustomForm_CloseQuery(self)) {
        action = vs::kCaHide;
        emu_Forms_TCustomForm_DoClose(self, &action);
    }
    if (action == vs::kCaNone) form::ModalResult(self) = vs::kMrNone;
}

}  // namespace

void InitFormClasses() {
    using emuhost::DefineHostClass;
    using emuhost::SetVirtual;
    HostClass& custom = emu_Forms_TCustomForm_record;
    DefineHostClass(custom, kTCustomForm, L.customForm.size, emu_Controls_TWinControl_record.Ref(), vslot::kCount);
    SetVirtual(custom, vslot::kCreate, &FormCreateVirtual);
    SetVirtual(custom, vslot::kCreateWnd, &CreateFormWindow);
    SetVirtual(custom, vslot::kWndProc, &FormWndProc);
    SetVirtual(custom, vslot::kCloseQuery, &FormCloseQueryVirtual);
    emuhost::SetDestructor(custom, &DestroyForm);
    DefineHostClass(emu_Forms_TForm_record, kTForm, L.customForm.size, custom.Ref(), vslot::kCount);
}

}  // namespace vcl

using namespace vcl;

EMUHOST_EXPORT_CLASS(Forms_TCustomForm);
EMUHOST_EXPORT_CLASS(Forms_TForm);

extern "C" {
HostClass emu_Forms_TCustomForm_record, emu_Forms_TForm_record;

VCL_ENTRY void* HOSTCALL_STACK emu_Forms_TCustomForm_CreateNew(void* classOrSelf, int8_t allocate, void* owner,
                                                               int32_t /*dummy*/) {
    void* self = rt::ClassCreate(classOrSelf, allocate);
    ControlCreate(self, 0, owner);
    control::Visible(self) = false;
    control::Left(self) = 100;
    control::Top(self) = 100;
    control::Width(self) = 320;
    control::Height(self) = 240;
    form::BorderIcons(self) = vs::kBiSystemMenu | vs::kBiMinimize | vs::kBiMaximize;
    form::BorderStyle(self) = vs::kBsSizeable;
    AddForm(self);
    if (allocate) rt::AfterConstruction(self);
    return self;
}

VCL_ENTRY void* HOSTCALL emu_Forms_TCustomForm_Create(void* classOrSelf, int8_t allocate, void* owner) {
    return emu_Forms_TCustomForm_CreateNew(classOrSelf, allocate, owner, 0);
}

VCL_ENTRY void HOSTCALL emu_Forms_TCustomForm_Destroy(void* self, int8_t outermost) { DestroyForm(self, outermost); }

// TCustomForm.Close: a modal form only ends its modal state; any other is
// asked, told, and then hidden, minimized, freed or, the main form, ends
// the application.
VCL_ENTRY void HOSTCALL emu_Forms_TCustomForm_Close(void* self) {
    if (form::State(self) & vs::kFsModal) {
        form::ModalResult(self) = vs::kMrCancel;
        return;
    }
    if (!emu_Forms_TCustomForm_CloseQuery(self)) return;
    uint8_t action = vs::kCaHide;
    if (form::Style(self) == vs::kFsMDIChild)
        action = (form::BorderIcons(self) & vs::kBiMinimize) ? vs::kCaMinimize : vs::kCaNone;
    emu_Forms_TCustomForm_DoClose(self, &action);
    if (action == vs::kCaNone) return;
    if (gApplication && app::MainForm(gApplication) == self) emu_Forms_TApplication_Terminate(gApplication);
    else if (action == vs::kCaHide) emu_Controls_TControl_Hide(self);
    else if (action == vs::kCaMinimize) emu_Forms_TCustomForm_SetWindowState(self, vs::kWsMinimized);
    else emu_Forms_TCustomForm_Release(self);
}

// TCustomForm.CloseQuery: an MDI main form asks its children first, then
// OnCloseQuery decides.
VCL_ENTRY bool HOSTCALL emu_Forms_TCustomForm_CloseQuery(void* self) {
    if (form::Style(self) == vs::kFsMDIForm) {
        ListObject* forms = app::Forms(gScreen);
        for (int32_t i = 0; i < rt::Count(forms); ++i) {
            void* child = forms->list[i];
            if (form::Style(child) == vs::kFsMDIChild && !emu_Forms_TCustomForm_CloseQuery(child)) return false;
        }
    }
    bool canClose = true;
    const MethodRef& event = form::OnCloseQuery(self);
    if (event.code) reinterpret_cast<CloseQueryEvent>(event.code)(event.data, self, &canClose);
    return canClose;
}

VCL_ENTRY void HOSTCALL emu_Forms_TCustomForm_DoClose(void* self, uint8_t* action) {
    const MethodRef& event = form::OnClose(self);
    if (event.code) reinterpret_cast<CloseEvent>(event.code)(event.data, self, action);
}

// Frees the form once the messages already queued for it are handled.
VCL_ENTRY void HOSTCALL emu_Forms_TCustomForm_Release(void* self) {
    PostMessageA(emu_Controls_TWinControl_GetHandle(self), kCmRelease, 0, 0);
}

VCL_ENTRY void HOSTCALL emu_Forms_TCustomForm_SetWindowState(void* self, uint8_t state) {
    form::WindowState(self) = state;
    HWND hwnd = control::Handle(self);
    if (!hwnd || !IsWindowVisible(hwnd)) return;
    static const int kShow[] = {SW_RESTORE, SW_MINIMIZE, SW_MAXIMIZE};
    ShowWindow(hwnd, kShow[state % 3]);
}

VCL_ENTRY void HOSTCALL emu_Forms_TCustomForm_SetFormStyle(void* self, uint8_t style) { form::Style(self) = style; }

VCL_ENTRY void HOSTCALL emu_Forms_TCustomForm_SetBorderIcons(void* self, uint8_t icons) {
    form::BorderIcons(self) = icons;
}

VCL_ENTRY void HOSTCALL emu_Forms_TCustomForm_SetMenu(void* self, void* menu) {
    form::Menu(self) = menu;
    if (HWND hwnd = control::Handle(self)) {
        HMENU old = GetMenu(hwnd);
        SetMenu(hwnd, menu ? BuildMenuHandle(menu) : nullptr);
        if (old) DestroyMenu(old);
    }
}

VCL_ENTRY void HOSTCALL emu_Forms_TCustomForm_Show(void* self) {
    emu_Controls_TControl_SetVisible(self, true);
    SetWindowPos(control::Handle(self), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

// TCustomForm.ShowModal: the other windows of the application are disabled
// until the form sets a modal result (or the application ends: cancel).
VCL_ENTRY int32_t HOSTCALL emu_Forms_TCustomForm_ShowModal(void* self) {
    if (control::Visible(self) || (form::State(self) & vs::kFsModal))
        rt::Raise(rt::NewException(rt::ExceptionClass(), "Cannot make a visible window modal"));
    form::State(self) |= vs::kFsModal;
    ++app::ModalLevel(gApplication);
    HWND disabled[64];
    int count = 0;
    DisableTaskWindows(nullptr, disabled, 64, &count);
    emu_Forms_TCustomForm_Show(self);
    form::ModalResult(self) = vs::kMrNone;
    do {
        emu_Forms_TApplication_HandleMessage(gApplication);
        if (app::Terminate(gApplication)) form::ModalResult(self) = vs::kMrCancel;
        else if (form::ModalResult(self) != vs::kMrNone) CloseModal(self);
    } while (form::ModalResult(self) == vs::kMrNone);
    for (int i = 0; i < count; ++i) EnableWindow(disabled[i], TRUE);
    emu_Controls_TControl_Hide(self);
    --app::ModalLevel(gApplication);
    form::State(self) &= static_cast<uint8_t>(~vs::kFsModal);
    return form::ModalResult(self);
}

// The shift keys and mouse buttons held down now.
VCL_ENTRY uint8_t HOSTCALL emu_Forms_KeyboardStateToShiftState() {
    BYTE keys[256];
    if (!GetKeyboardState(keys)) return 0;
    uint8_t state = 0;
    if (keys[VK_SHIFT] & 0x80) state |= vs::kSsShift;
    if (keys[VK_MENU] & 0x80) state |= vs::kSsAlt;
    if (keys[VK_CONTROL] & 0x80) state |= vs::kSsCtrl;
    if (keys[VK_LBUTTON] & 0x80) state |= 1u << 3;
    if (keys[VK_RBUTTON] & 0x80) state |= 1u << 4;
    if (keys[VK_MBUTTON] & 0x80) state |= 1u << 5;
    return state;
}
}
