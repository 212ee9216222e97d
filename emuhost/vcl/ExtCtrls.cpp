// ExtCtrls: TCustomPanel (a bevelled window of the VCL's own class) and
// TCustomColorBox (a combo box of colours). The colour box fills its list
// whenever it has a window: at its window's creation when a fill is
// pending, and again whenever its style changes; before it has a window it
// only notes that a fill is needed.
#include <iterator>

#include "Vcl.h"

namespace vcl {

namespace {

using emuhost::HostClass;
namespace vslot = emuhost::vslot;

const unsigned char kTCustomPanel[] = "\x0CTCustomPanel";
const unsigned char kTPanel[] = "\x06TPanel";
const unsigned char kTCustomColorBox[] = "\x0FTCustomColorBox";
const unsigned char kTColorBox[] = "\x09TColorBox";

struct NamedColor {
    const char* name;
    int32_t color;
};
const NamedColor kStandardColors[] = {
    {"clBlack", 0x000000}, {"clMaroon", 0x000080}, {"clGreen", 0x008000}, {"clOlive", 0x008080},
    {"clNavy", 0x800000},  {"clPurple", 0x800080}, {"clTeal", 0x808000},  {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0}, {"clRed", 0x0000FF},   {"clLime", 0x00FF00},  {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},  {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00}, {"clWhite", 0xFFFFFF}};
const NamedColor kExtendedColors[] = {
    {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6}, {"clCream", 0xF0FBFF}, {"clMedGray", 0xA4A0A0}};
const NamedColor kSystemColors[] = {
    {"clScrollBar", static_cast<int32_t>(0x80000000)},   {"clBackground", static_cast<int32_t>(0x80000001)},
    {"clActiveCaption", static_cast<int32_t>(0x80000002)}, {"clInactiveCaption", static_cast<int32_t>(0x80000003)},
    {"clMenu", static_cast<int32_t>(0x80000004)},        {"clWindow", static_cast<int32_t>(0x80000005)},
    {"clWindowFrame", static_cast<int32_t>(0x80000006)}, {"clMenuText", static_cast<int32_t>(0x80000007)},
    {"clWindowText", static_cast<int32_t>(0x80000008)},  {"clCaptionText", static_cast<int32_t>(0x80000009)},
    {"clActiveBorder", static_cast<int32_t>(0x8000000A)}, {"clInactiveBorder", static_cast<int32_t>(0x8000000B)},
    {"clAppWorkSpace", static_cast<int32_t>(0x8000000C)}, {"clHighlight", static_cast<int32_t>(0x8000000D)},
    {"clHighlightText", static_cast<int32_t>(0x8000000E)}, {"clBtnFace", static_cast<int32_t>(0x8000000F)},
    {"clBtnShadow", static_cast<int32_t>(0x80000010)},   {"clGrayText", static_cast<int32_t>(0x80000011)},
    {"clBtnText", static_cast<int32_t>(0x80000012)},     {"clInactiveCaptionText", static_cast<int32_t>(0x80000013)},
    {"clBtnHighlight", static_cast<int32_t>(0x80000014)}, {"cl3DDkShadow", static_cast<int32_t>(0x80000015)},
    {"cl3DLight", static_cast<int32_t>(0x80000016)},     {"clInfoText", static_cast<int32_t>(0x80000017)},
    {"clInfoBk", static_cast<int32_t>(0x80000018)}};
constexpr int32_t kClNone = 0x1FFFFFFF, kClDefault = 0x20000000;

template <size_t N>
void AddColors(void* self, const NamedColor (&colors)[N]) {
    for (const NamedColor& c : colors) ComboAddItem(self, c.name, reinterpret_cast<void*>(c.color));
}

int32_t IndexOfColor(void* self, int32_t color) {
    void* items = combo::Items(self);
    for (int32_t i = 0; i < rt::StringsCount(items); ++i)
        if (reinterpret_cast<int32_t>(rt::StringsObject(items, i)) == color) return i;
    return -1;
}

// Panels draw their bevel; graphic children come on top.
bool HOSTCALL PanelWndProc(void* self, Message* m) {
    if (m->message != WM_PAINT) return WinControlWndProc(self, m);
    HWND hwnd = control::Handle(self);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT r;
    GetClientRect(hwnd, &r);
    const uint8_t bevel = FieldAt<uint8_t>(self, L.customPanel.bevelOuter);
    if (bevel == vs::kBvLowered) DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
    if (bevel == vs::kBvRaised) DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
    PaintGraphicChildren(self, dc);
    EndPaint(hwnd, &ps);
    return true;
}

void* HOSTCALL ColorBoxCreateVirtual(void* c, int8_t a, void* o) { return emu_Extctrls_TCustomColorBox_Create(c, a, o); }

void HOSTCALL CreateColorBoxWindow(void* self) {
    emuhost::ClassVirtual<void(HOSTCALL*)(void*)>(emu_Stdctrls_TCustomCombo_record.Ref(), vslot::kCreateWnd)(self);
    if (combo::NeedToPopulate(self)) emu_Extctrls_TCustomColorBox_PopulateList(self);
}

}  // namespace

// Graphics.IdentToColor for the colours the colour box knows.
bool IdentToColor(const char* ident, int32_t* color) {
    auto find = [&](const NamedColor* first, const NamedColor* last) {
        for (const NamedColor* c = first; c != last; ++c)
            if (lstrcmpiA(c->name, ident) == 0) {
                *color = c->color;
                return true;
            }
        return false;
    };
    if (lstrcmpiA(ident, "clNone") == 0) return *color = kClNone, true;
    if (lstrcmpiA(ident, "clDefault") == 0) return *color = kClDefault, true;
    return find(std::begin(kStandardColors), std::end(kStandardColors)) ||
           find(std::begin(kExtendedColors), std::end(kExtendedColors)) ||
           find(std::begin(kSystemColors), std::end(kSystemColors));
}

void ColorBoxSetStyle(void* self, uint8_t style) {
    if (combo::Style(self) == style) return;
    combo::Style(self) = style;
    emu_Extctrls_TCustomColorBox_PopulateList(self);
}

void InitExtCtrlsUnit() {
    using emuhost::DefineHostClass;
    using emuhost::SetVirtual;
    HostClass& panel = emu_Extctrls_TCustomPanel_record;
    DefineHostClass(panel, kTCustomPanel, L.customPanel.size, emu_Controls_TWinControl_record.Ref(), vslot::kCount);
    SetVirtual(panel, vslot::kCreate, &emu_Extctrls_TCustomPanel_Create);
    SetVirtual(panel, vslot::kWndProc, &PanelWndProc);
    DefineHostClass(emu_Extctrls_TPanel_record, kTPanel, L.customPanel.size, panel.Ref(), vslot::kCount);

    HostClass& box = emu_Extctrls_TCustomColorBox_record;
    DefineHostClass(box, kTCustomColorBox, L.customColorBox.size, emu_Stdctrls_TCustomCombo_record.Ref(),
                    vslot::kCount);
    SetVirtual(box, vslot::kCreate, &ColorBoxCreateVirtual);
    SetVirtual(box, vslot::kCreateWnd, &CreateColorBoxWindow);
    // The table holds the exported entry itself, as the host's does.
    SetVirtual(box, vslot::kLoaded, &emu_Extctrls_TCustomColorBox_Loaded);
    DefineHostClass(emu_Extctrls_TColorBox_record, kTColorBox, L.customColorBox.size, box.Ref(), vslot::kCount);
}

}  // namespace vcl

using namespace vcl;

EMUHOST_EXPORT_CLASS(Extctrls_TCustomPanel);
EMUHOST_EXPORT_CLASS(Extctrls_TPanel);
EMUHOST_EXPORT_CLASS(Extctrls_TCustomColorBox);
EMUHOST_EXPORT_CLASS(Extctrls_TColorBox);

extern "C" {
HostClass emu_Extctrls_TCustomPanel_record, emu_Extctrls_TPanel_record, emu_Extctrls_TCustomColorBox_record,
    emu_Extctrls_TColorBox_record;

VCL_ENTRY void* HOSTCALL emu_Extctrls_TCustomPanel_Create(void* classOrSelf, int8_t allocate, void* owner) {
    void* self = rt::ClassCreate(classOrSelf, allocate);
    ControlCreate(self, 0, owner);
    control::Width(self) = 185;
    control::Height(self) = 41;
    FieldAt<uint8_t>(self, L.customPanel.bevelOuter) = vs::kBvRaised;
    if (allocate) rt::AfterConstruction(self);
    return self;
}

VCL_ENTRY void HOSTCALL emu_Extctrls_TCustomPanel_SetBevelOuter(void* self, uint8_t bevel) {
    FieldAt<uint8_t>(self, L.customPanel.bevelOuter) = bevel;
    InvalidateControl(self);
}

VCL_ENTRY void HOSTCALL emu_Extctrls_TCustomPanel_SetBevelOuter50(void* self, uint8_t bevel) {
    emu_Extctrls_TCustomPanel_SetBevelOuter(self, bevel);
}

VCL_ENTRY void* HOSTCALL emu_Extctrls_TCustomColorBox_Create(void* classOrSelf, int8_t allocate, void* owner) {
    void* self = rt::ClassCreate(classOrSelf, allocate);
    emuhost::ClassVirtual<void*(HOSTCALL*)(void*, int8_t, void*)>(emu_Stdctrls_TCustomCombo_record.Ref(),
                                                                  emuhost::vslot::kCreate)(self, 0, owner);
    combo::Style(self) = vs::kCbStandardColors | vs::kCbExtendedColors | vs::kCbSystemColors;
    combo::SelectedColor(self) = 0;
    emu_Extctrls_TCustomColorBox_PopulateList(self);
    if (allocate) rt::AfterConstruction(self);
    return self;
}

// Fills the list from the style with a window, keeping the selected colour;
// without a window only notes that a fill is pending.
VCL_ENTRY void HOSTCALL emu_Extctrls_TCustomColorBox_PopulateList(void* self) {
    HWND hwnd = control::Handle(self);
    if (!hwnd) {
        combo::NeedToPopulate(self) = true;
        return;
    }
    const int32_t selected = combo::SelectedColor(self);
    rt::StringsClear(combo::Items(self));
    SendMessageA(hwnd, CB_RESETCONTENT, 0, 0);
    const uint8_t style = combo::Style(self);
    if (style & vs::kCbIncludeNone) ComboAddItem(self, "clNone", reinterpret_cast<void*>(kClNone));
    if (style & vs::kCbIncludeDefault) ComboAddItem(self, "clDefault", reinterpret_cast<void*>(kClDefault));
    if (style & vs::kCbStandardColors) AddColors(self, kStandardColors);
    if (style & vs::kCbExtendedColors) AddColors(self, kExtendedColors);
    if (style & vs::kCbSystemColors) AddColors(self, kSystemColors);
    combo::NeedToPopulate(self) = false;
    emu_Extctrls_TCustomColorBox_SetSelected(self, selected);
    Log("colorbox-populate %s items=%d", component::Name(self) ? component::Name(self) : "",
        rt::StringsCount(combo::Items(self)));
}

// TCustomColorBox.Loaded: the selected colour read from the description is
// selected again.
VCL_ENTRY void HOSTCALL emu_Extctrls_TCustomColorBox_Loaded(void* self) {
    emu_Stdctrls_TCustomCombo_Loaded(self);
    emu_Extctrls_TCustomColorBox_SetSelected(self, combo::SelectedColor(self));
}

VCL_ENTRY void HOSTCALL emu_Extctrls_TCustomColorBox_SetSelected(void* self, int32_t color) {
    combo::SelectedColor(self) = color;
    if (control::Handle(self)) ComboSetItemIndex(self, IndexOfColor(self, color));
}
}
