// StdCtrls: TCustomLabel (a graphic control: its parent draws its text) and
// TCustomCombo (the system's combo box, its items kept in a string list).
#include "Vcl.h"

namespace vcl {

namespace {

using emuhost::HostClass;
namespace vslot = emuhost::vslot;

const unsigned char kTCustomLabel[] = "\x0CTCustomLabel";
const unsigned char kTLabel[] = "\x06TLabel";
const unsigned char kTCustomCombo[] = "\x0CTCustomCombo";

UINT TextFlags(const void* self) {
    static const UINT kAlignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    UINT flags = DT_EXPANDTABS | kAlignments[label::Alignment(self) % 3];
    if (!label::ShowAccelChar(self)) flags |= DT_NOPREFIX;
    return flags;
}

bool HOSTCALL PaintLabel(void* self, HDC dc) {
    RECT r{control::Left(self), control::Top(self), control::Left(self) + control::Width(self),
           control::Top(self) + control::Height(self)};
    if (!label::Transparent(self)) {
        HBRUSH brush = CreateSolidBrush(ColorRef(EffectiveColor(self)));
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
    void* f = control::Font(self);
    HFONT font = CreateFontOf(f);
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorRef(font::Color(f)));
    const char* text = control::Text(self);
    DrawTextA(dc, text ? text : "", -1, &r, TextFlags(self));
    SelectObject(dc, old);
    DeleteObject(font);
    return true;
}

void HOSTCALL LabelTextChanged(void* self) { AdjustLabelBounds(self); }

// TCustomLabel.Loaded: sized once the description is read.
void HOSTCALL LabelLoaded(void* self) {
    rt::ComponentLoaded(self);
    AdjustLabelBounds(self);
}

void HOSTCALL DestroyCombo(void* self, int8_t outermost) {
    rt::BeforeDestruction(self, outermost);
    WinControlDestroy(self);
    rt::Free(combo::Items(self));
    combo::Items(self) = nullptr;
    rt::InheritedDestroy(rt::TComponentClass(), self);
    if (outermost) rt::ClassDestroy(self);
}

void* HOSTCALL ComboCreate(void* classOrSelf, int8_t allocate, void* owner) {
    void* self = rt::ClassCreate(classOrSelf, allocate);
    ControlCreate(self, 0, owner);
    control::Width(self) = 145;
    control::Height(self) = 21;
    control::Color(self) = static_cast<int32_t>(0x80000005);  // clWindow
    combo::Items(self) = rt::NewStringList();
    combo::ItemIndex(self) = -1;
    if (allocate) rt::AfterConstruction(self);
    return self;
}

// The system's drop-down list, filled with the items kept so far.
void HOSTCALL CreateComboWindow(void* self) {
    WindowParams params{"COMBOBOX", true, WS_CHILD | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST, 0,
                    control::Handle(control::Parent(self)), nullptr, control::Left(self), control::Top(self),
                    control::Width(self), control::Height(self) * 8};
    if (control::Visible(self)) params.style |= WS_VISIBLE;
    HWND hwnd = CreateVclWindow(self, params);
    if (!hwnd) return;
    void* items = combo::Items(self);
    for (int32_t i = 0; i < rt::StringsCount(items); ++i) {
        char* text = nullptr;
        rt::StringsGet(items, i, &text);
        SendMessageA(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text ? text : ""));
        rt::LStrClr(&text);
    }
    SendMessageA(hwnd, CB_SETCURSEL, static_cast<WPARAM>(combo::ItemIndex(self)), 0);
}

}  // namespace

void AdjustLabelBounds(void* self) {
    if (!label::AutoSize(self) || component::Loading(self)) return;
    const char* text = control::Text(self);
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontOf(control::Font(self));
    HGDIOBJ old = SelectObject(dc, font);
    RECT r{0, 0, 0, 0};
    DrawTextA(dc, text && *text ? text : " ", -1, &r, TextFlags(self) | DT_CALCRECT);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    int32_t left = control::Left(self);
    if (label::Alignment(self) == vs::kTaRightJustify) left += control::Width(self) - r.right;
    emu_Controls_TControl_SetBounds(self, left, control::Top(self), r.bottom, r.right);
}

void ComboAddItem(void* self, const char* text, void* object) {
    char* item = nullptr;
    rt::LStrFromPChar(&item, text);
    rt::StringsAddObject(combo::Items(self), item, object);
    rt::LStrClr(&item);
    if (HWND hwnd = control::Handle(self)) SendMessageA(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text ? text : ""));
}

void ComboSetItemIndex(void* self, int32_t index) {
    combo::ItemIndex(self) = index;
    if (HWND hwnd = control::Handle(self)) SendMessageA(hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void InitStdCtrlsUnit() {
    using emuhost::DefineHostClass;
    using emuhost::SetVirtual;
    HostClass& custom = emu_Stdctrls_TCustomLabel_record;
    DefineHostClass(custom, kTCustomLabel, L.customLabel.size, emu_Controls_TGraphicControl_record.Ref(),
                    vslot::kCount);
    SetVirtual(custom, vslot::kCreate, &emu_Stdctrls_TCustomLabel_Create);
    SetVirtual(custom, vslot::kPaint, &PaintLabel);
    SetVirtual(custom, vslot::kTextChanged, &LabelTextChanged);
    SetVirtual(custom, vslot::kLoaded, &LabelLoaded);
    DefineHostClass(emu_Stdctrls_TLabel_record, kTLabel, L.customLabel.size, custom.Ref(), vslot::kCount);

    HostClass& c = emu_Stdctrls_TCustomCombo_record;
    DefineHostClass(c, kTCustomCombo, L.customCombo.size, emu_Controls_TWinControl_record.Ref(), vslot::kCount);
    SetVirtual(c, vslot::kCreate, &ComboCreate);
    SetVirtual(c, vslot::kCreateWnd, &CreateComboWindow);
    SetVirtual(c, vslot::kLoaded, &emu_Stdctrls_TCustomCombo_Loaded);
    emuhost::SetDestructor(c, &DestroyCombo);
}

}  // namespace vcl

using namespace vcl;

EMUHOST_EXPORT_CLASS(Stdctrls_TCustomLabel);
EMUHOST_EXPORT_CLASS(Stdctrls_TLabel);
EMUHOST_EXPORT_CLASS(Stdctrls_TCustomCombo);

extern "C" {
HostClass emu_Stdctrls_TCustomLabel_record, emu_Stdctrls_TLabel_record, emu_Stdctrls_TCustomCombo_record;

VCL_ENTRY void* HOSTCALL emu_Stdctrls_TCustomLabel_Create(void* classOrSelf, int8_t allocate, void* owner) {
    void* self = rt::ClassCreate(classOrSelf, allocate);
    ControlCreate(self, 0, owner);
    control::Width(self) = 65;
    control::Height(self) = 17;
    control::ParentColor(self) = true;
    label::AutoSize(self) = true;
    label::ShowAccelChar(self) = true;
    if (allocate) rt::AfterConstruction(self);
    return self;
}

VCL_ENTRY void HOSTCALL emu_Stdctrls_TCustomLabel_SetAlignment(void* self, uint8_t alignment) {
    label::Alignment(self) = alignment;
    InvalidateControl(self);
}

VCL_ENTRY void HOSTCALL emu_Stdctrls_TCustomLabel_SetAutoSize(void* self, bool value) {
    label::AutoSize(self) = value;
    AdjustLabelBounds(self);
}

VCL_ENTRY void HOSTCALL emu_Stdctrls_TCustomLabel_SetTransparent(void* self, bool value) {
    label::Transparent(self) = value;
    InvalidateControl(self);
}

VCL_ENTRY void HOSTCALL emu_Stdctrls_TCustomLabel_SetShowAccelChar(void* self, bool value) {
    label::ShowAccelChar(self) = value;
    AdjustLabelBounds(self);
    InvalidateControl(self);
}

// TCustomCombo.Loaded: the item index read from the description is applied.
VCL_ENTRY void HOSTCALL emu_Stdctrls_TCustomCombo_Loaded(void* self) {
    rt::ComponentLoaded(self);
    if (combo::ItemIndex(self) != -1) ComboSetItemIndex(self, combo::ItemIndex(self));
}
}
