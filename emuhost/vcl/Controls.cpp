// Controls: TControl (parent, bounds, visibility, text, font, colour,
// anchors), TGraphicControl (drawn by its parent) and TWinControl (a real
// window, created when the control is to show on a parent that has one).
#include "Vcl.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace vcl {

namespace {

using emuhost::VirtualOf;
namespace vslot = emuhost::vslot;

const unsigned char kTControl[] = "\x08TControl";
const unsigned char kTGraphicControl[] = "\x0FTGraphicControl";
const unsigned char kTWinControl[] = "\x0BTWinControl";
constexpr int32_t kClBtnFace = static_cast<int32_t>(0x8000000F);

const char kObjectProperty[] = "EmuVclObject";
const char kDefaultProcProperty[] = "EmuVclDefaultProc";

// The control whose window is being created, until its window procedure
// has seen it.
thread_local void* gCreating = nullptr;

void AddControl(void* parent, void* c) {
    if (!control::Controls(parent)) control::Controls(parent) = rt::NewList();
    rt::ListAdd(control::Controls(parent), c);
}

void RemoveControl(void* parent, void* c) {
    if (ListObject* list = control::Controls(parent)) rt::ListRemove(list, c);
}

bool HOSTCALL NoPaint(void*, HDC) { return false; }
void HOSTCALL NoTextChange(void*) {}

void HOSTCALL DestroyControl(void* self, int8_t outermost) {
    rt::BeforeDestruction(self, outermost);
    ControlDestroy(self);
    rt::InheritedDestroy(rt::TComponentClass(), self);
    if (outermost) rt::ClassDestroy(self);
}

void HOSTCALL DestroyWinControl(void* self, int8_t outermost) {
    rt::BeforeDestruction(self, outermost);
    WinControlDestroy(self);
    rt::InheritedDestroy(rt::TComponentClass(), self);
    if (outermost) rt::ClassDestroy(self);
}

// The default window of a windowed control: a child window of the VCL's
// own class named after the control's class.
void HOSTCALL CreateWinControlWindow(void* self) {
    char className[64];
    const unsigned char* name = emuhost::ClassNameOf(self);
    lstrcpynA(className, reinterpret_cast<const char*>(name + 1), name[0] + 1 < 64 ? name[0] + 1 : 64);
    WindowParams params{className, false, WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0,
                    control::Handle(control::Parent(self)), nullptr,
                    control::Left(self), control::Top(self), control::Width(self), control::Height(self)};
    if (control::Visible(self)) params.style |= WS_VISIBLE;
    CreateVclWindow(self, params);
}

bool IsSystemWindow(HWND hwnd) { return GetPropA(hwnd, kDefaultProcProperty) != nullptr; }

}  // namespace

bool IsWinControl(const void* c) { return rt::IsClass(c, emu_Controls_TWinControl_record.Ref()); }

int32_t EffectiveColor(const void* c) {
    while (control::ParentColor(c) && control::Parent(c)) c = control::Parent(c);
    return control::Color(c);
}

void* HOSTCALL ControlCreate(void* classOrSelf, int8_t allocate, void* owner) {
    void* self = rt::ClassCreate(classOrSelf, allocate);
    rt::ComponentCreate(self, 0, owner);
    control::Font(self) = NewFont(self);
    control::Visible(self) = true;
    control::Color(self) = kClBtnFace;
    control::Anchors(self) = vs::kAkLeft | vs::kAkTop;
    if (allocate) rt::AfterConstruction(self);
    return self;
}

void ControlDestroy(void* self) {
    emu_Controls_TControl_SetParent(self, nullptr);
    rt::Free(control::Font(self));
    control::Font(self) = nullptr;
}

// TWinControl.Destroy: its child controls go with it, owned or not.
void WinControlDestroy(void* self) {
    while (ListObject* children = control::Controls(self)) {
        if (children->count == 0) {
            rt::Free(children);
            control::Controls(self) = nullptr;
            break;
        }
        rt::Free(children->list[children->count - 1]);
    }
    DestroyWindowOf(self);
    ControlDestroy(self);
}

void DestroyWindowOf(void* winControl) {
    if (HWND hwnd = control::Handle(winControl)) DestroyWindow(hwnd);
    control::Handle(winControl) = nullptr;
}

void InvalidateControl(void* c) {
    if (IsWinControl(c)) {
        if (control::Handle(c)) InvalidateRect(control::Handle(c), nullptr, TRUE);
        return;
    }
    void* parent = control::Parent(c);
    if (!parent || !control::Handle(parent)) return;
    RECT r{control::Left(c), control::Top(c), control::Left(c) + control::Width(c),
           control::Top(c) + control::Height(c)};
    InvalidateRect(control::Handle(parent), &r, TRUE);
}

void CreateHandle(void* wc) {
    if (control::Handle(wc)) return;
    if (void* parent = control::Parent(wc)) CreateHandle(parent);
    VirtualOf<void(HOSTCALL*)(void*)>(wc, vslot::kCreateWnd)(wc);
    if (ListObject* children = control::Controls(wc))
        for (int32_t i = 0; i < children->count; ++i) UpdateShowing(children->list[i]);
}

// A windowed child gets its window once it is visible on a parent that has
// one; forms get theirs when they are shown.
void UpdateShowing(void* c) {
    if (!IsWinControl(c)) return;
    void* parent = control::Parent(c);
    if (!control::Handle(c)) {
        if (control::Visible(c) && parent && control::Handle(parent)) CreateHandle(c);
        return;
    }
    if (parent) ShowWindow(control::Handle(c), control::Visible(c) ? SW_SHOWNA : SW_HIDE);
}

void* ObjectOfWindow(HWND hwnd) { return GetPropA(hwnd, kObjectProperty); }

HWND CreateVclWindow(void* wc, const WindowParams& params) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(&__ImageBase);
    if (!params.system) {
        WNDCLASSA existing;
        if (!GetClassInfoA(instance, params.className, &existing)) {
            WNDCLASSA wcls = {};
            wcls.style = CS_DBLCLKS;
            wcls.lpfnWndProc = VclWindowProc;
            wcls.hInstance = instance;
            wcls.hCursor = LoadCursor(nullptr, IDC_ARROW);
            wcls.lpszClassName = params.className;
            RegisterClassA(&wcls);
        }
    }
    gCreating = wc;
    HWND hwnd = CreateWindowExA(params.exStyle, params.className, control::Text(wc) ? control::Text(wc) : "", params.style,
                                params.x, params.y, params.width, params.height, params.parent, params.menu, instance, nullptr);
    gCreating = nullptr;
    if (!hwnd) return nullptr;
    SetPropA(hwnd, kObjectProperty, wc);
    control::Handle(wc) = hwnd;
    if (params.system) {
        SetPropA(hwnd, kDefaultProcProperty, reinterpret_cast<HANDLE>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC)));
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&VclWindowProc));
        SendMessageA(hwnd, WM_SETFONT, 0, FALSE);
    }
    return hwnd;
}

LRESULT DefaultProc(void* wc, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = control::Handle(wc);
    if (auto proc = reinterpret_cast<WNDPROC>(GetPropA(hwnd, kDefaultProcProperty)))
        return CallWindowProcA(proc, hwnd, message, wParam, lParam);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK VclWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    void* self = ObjectOfWindow(hwnd);
    if (!self && gCreating) {
        self = gCreating;
        control::Handle(self) = hwnd;
        SetPropA(hwnd, kObjectProperty, self);
    }
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
    Message m{message, wParam, lParam, 0};
    bool handled = false;
    Guarded([&] { handled = VirtualOf<WndProcFn>(self, vslot::kWndProc)(self, &m); });
    if (message == WM_NCDESTROY) {
        LRESULT result = DefaultProc(self, message, wParam, lParam);
        RemovePropA(hwnd, kDefaultProcProperty);
        RemovePropA(hwnd, kObjectProperty);
        if (control::Handle(self) == hwnd) control::Handle(self) = nullptr;
        return result;
    }
    return handled ? m.result : DefaultProc(self, message, wParam, lParam);
}

void PaintGraphicChildren(void* wc, HDC dc) {
    ListObject* children = control::Controls(wc);
    for (int32_t i = 0; i < rt::Count(children); ++i) {
        void* child = children->list[i];
        if (!IsWinControl(child) && control::Visible(child))
            VirtualOf<bool(HOSTCALL*)(void*, HDC)>(child, vslot::kPaint)(child, dc);
    }
}

// Windows of the VCL's own classes paint their background and their graphic
// children; those of system classes paint themselves.
bool HOSTCALL WinControlWndProc(void* self, Message* m) {
    HWND hwnd = control::Handle(self);
    if (!hwnd || IsSystemWindow(hwnd)) return false;
    switch (m->message) {
        case WM_ERASEBKGND: {
            RECT r;
            GetClientRect(hwnd, &r);
            HBRUSH brush = CreateSolidBrush(ColorRef(EffectiveColor(self)));
            FillRect(reinterpret_cast<HDC>(m->wParam), &r, brush);
            DeleteObject(brush);
            m->result = 1;
            return true;
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            PaintGraphicChildren(self, dc);
            EndPaint(hwnd, &ps);
            return true;
        }
    }
    return false;
}

void InitControlsUnit() {
    using emuhost::DefineHostClass;
    using emuhost::SetDestructor;
    using emuhost::SetVirtual;
    constexpr int component = vslot::kLoaded + 1;
    HostClass& control = emu_Controls_TControl_record;
    DefineHostClass(control, kTControl, L.control.size, rt::TComponentClass(), component, {L.control.text});
    SetVirtual(control, vslot::kCreate, &ControlCreate);
    SetVirtual(control, vslot::kPaint, &NoPaint);
    SetVirtual(control, vslot::kTextChanged, &NoTextChange);
    SetDestructor(control, &DestroyControl);
    DefineHostClass(emu_Controls_TGraphicControl_record, kTGraphicControl, L.control.size, control.Ref(),
                    vslot::kCount);
    HostClass& win = emu_Controls_TWinControl_record;
    DefineHostClass(win, kTWinControl, L.winControl.size, control.Ref(), vslot::kCount);
    SetVirtual(win, vslot::kCreateWnd, &CreateWinControlWindow);
    SetVirtual(win, vslot::kWndProc, &WinControlWndProc);
    SetDestructor(win, &DestroyWinControl);
}

}  // namespace vcl

using namespace vcl;

EMUHOST_EXPORT_CLASS(Controls_TControl);
EMUHOST_EXPORT_CLASS(Controls_TGraphicControl);
EMUHOST_EXPORT_CLASS(Controls_TWinControl);

extern "C" {
HostClass emu_Controls_TControl_record, emu_Controls_TGraphicControl_record, emu_Controls_TWinControl_record;

VCL_ENTRY void HOSTCALL emu_Controls_TControl_SetParent(void* self, void* parent) {
    void* old = control::Parent(self);
    if (old == parent) return;
    if (old) {
        InvalidateControl(self);
        RemoveControl(old, self);
    }
    control::Parent(self) = parent;
    if (IsWinControl(self) && control::Handle(self)) {
        if (parent && control::Handle(parent)) ::SetParent(control::Handle(self), control::Handle(parent));
        else DestroyWindowOf(self);
    }
    if (!parent) return;
    AddControl(parent, self);
    UpdateShowing(self);
    InvalidateControl(self);
}

VCL_ENTRY void HOSTCALL_STACK emu_Controls_TControl_SetBounds(void* self, int32_t left, int32_t top, int32_t height,
                                                              int32_t width) {
    InvalidateControl(self);
    control::Left(self) = left;
    control::Top(self) = top;
    control::Width(self) = width;
    control::Height(self) = height;
    if (IsWinControl(self) && control::Handle(self))
        MoveWindow(control::Handle(self), left, top, width, height, TRUE);
    InvalidateControl(self);
}

VCL_ENTRY void HOSTCALL emu_Controls_TControl_SetLeft(void* self, int32_t v) {
    emu_Controls_TControl_SetBounds(self, v, control::Top(self), control::Height(self), control::Width(self));
}
VCL_ENTRY void HOSTCALL emu_Controls_TControl_SetTop(void* self, int32_t v) {
    emu_Controls_TControl_SetBounds(self, control::Left(self), v, control::Height(self), control::Width(self));
}
VCL_ENTRY void HOSTCALL emu_Controls_TControl_SetWidth(void* self, int32_t v) {
    emu_Controls_TControl_SetBounds(self, control::Left(self), control::Top(self), control::Height(self), v);
}
VCL_ENTRY void HOSTCALL emu_Controls_TControl_SetHeight(void* self, int32_t v) {
    emu_Controls_TControl_SetBounds(self, control::Left(self), control::Top(self), v, control::Width(self));
}

VCL_ENTRY void HOSTCALL emu_Controls_TControl_SetVisible(void* self, bool visible) {
    control::Visible(self) = visible;
    if (!IsWinControl(self)) {
        InvalidateControl(self);
        return;
    }
    if (control::Parent(self)) {
        UpdateShowing(self);
        return;
    }
    // A top-level window (a form): shown and hidden only when that changes
    // something, since hiding a window is slow without a window manager.
    HWND hwnd = control::Handle(self);
    if (visible) {
        CreateHandle(self);
        hwnd = control::Handle(self);
        if (hwnd && !IsWindowVisible(hwnd)) ShowWindow(hwnd, SW_SHOWNORMAL);
        if (hwnd) UpdateWindow(hwnd);
    } else if (hwnd && IsWindowVisible(hwnd)) {
        ShowWindow(hwnd, SW_HIDE);
    }
}

VCL_ENTRY void HOSTCALL emu_Controls_TControl_Show(void* self) { emu_Controls_TControl_SetVisible(self, true); }
VCL_ENTRY void HOSTCALL emu_Controls_TControl_Hide(void* self) { emu_Controls_TControl_SetVisible(self, false); }

VCL_ENTRY void HOSTCALL emu_Controls_TControl_SetText(void* self, const char* text) {
    rt::LStrAsg(&control::Text(self), text);
    if (IsWinControl(self) && control::Handle(self)) SetWindowTextA(control::Handle(self), text ? text : "");
    emuhost::VirtualOf<void(HOSTCALL*)(void*)>(self, emuhost::vslot::kTextChanged)(self);
    InvalidateControl(self);
}

VCL_ENTRY void HOSTCALL emu_Controls_TControl_GetText(void* self, char** result) {
    rt::LStrAsg(result, control::Text(self));
}

VCL_ENTRY void HOSTCALL emu_Controls_TControl_SetAnchors(void* self, uint8_t anchors) {
    control::Anchors(self) = anchors;
}

// The client area: the window's when it has one, else the bounds less the
// frame its window would have.
static SIZE ClientSize(void* self) {
    if (IsWinControl(self) && control::Handle(self)) {
        RECT r;
        GetClientRect(control::Handle(self), &r);
        return {r.right, r.bottom};
    }
    SIZE s{control::Width(self), control::Height(self)};
    if (rt::IsClass(self, emu_Forms_TCustomForm_record.Ref()) && form::BorderStyle(self) != vs::kBsNone) {
        RECT frame{0, 0, 0, 0};
        AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, form::Menu(self) != nullptr, 0);
        s.cx -= frame.right - frame.left;
        s.cy -= frame.bottom - frame.top;
    }
    return s;
}

VCL_ENTRY int32_t HOSTCALL emu_Controls_TControl_GetClientWidth(void* self) { return ClientSize(self).cx; }
VCL_ENTRY int32_t HOSTCALL emu_Controls_TControl_GetClientHeight(void* self) { return ClientSize(self).cy; }

VCL_ENTRY void HOSTCALL emu_Controls_TControl_Repaint(void* self) {
    InvalidateControl(self);
    void* painted = IsWinControl(self) ? self : control::Parent(self);
    if (painted && control::Handle(painted)) UpdateWindow(control::Handle(painted));
}

VCL_ENTRY void HOSTCALL emu_Controls_TControl_SetColor(void* self, int32_t color) {
    control::Color(self) = color;
    control::ParentColor(self) = false;
    InvalidateControl(self);
}

VCL_ENTRY void HOSTCALL emu_Controls_TControl_SetParentColor(void* self, bool value) {
    control::ParentColor(self) = value;
    InvalidateControl(self);
}

VCL_ENTRY bool HOSTCALL emu_Controls_TWinControl_HandleAllocated(void* self) { return control::Handle(self) != nullptr; }

VCL_ENTRY HWND HOSTCALL emu_Controls_TWinControl_GetHandle(void* self) {
    CreateHandle(self);
    return control::Handle(self);
}
}
