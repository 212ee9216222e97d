// The host's VCL and IDE services as Toravex reaches them, per IDE build, in
// one place: the modules that hold them, where the host keeps the fields
// that it has no routine for, the numbering of the interface slots that are
// called, and the values of the enumerations and sets that cross the
// boundary. The decorated names of the routines are in HostExports.inc.
//
// The plug-in reads these fields at these offsets; the emulated VCL lays its
// objects out by the same table. The offsets are the emulated VCL's, laid
// out field by field below as each build's VCL orders them; checking the
// plug-in against a real IDE means checking this file (and HostExports.inc)
// against that IDE's VCL and writing its offsets in here.
#pragma once

#include <cstdint>

#include "HostLayout.h"

namespace hostabi {

// Where a field starts, in bytes from the start of the object (the class
// reference is at 0). A method reference (an event) is two pointers: the
// code, then the object it is called on.
struct VclLayout {
    int packageVersion;
    const char* vclPackage;          // "vcl100.bpl" ... "vcl50.bpl" (in 50 also the runtime package)
    const char* ideServicesPackage;  // the package of BorlandIDEServices; "" where none is used
    const char* palettePackage;      // the package of the .NET palette manager; "" where none

    struct {
        int32_t owner, name, tag, components, componentState, size;
    } component;
    struct {
        int32_t onExecute, onUpdate, clients, size;
    } basicAction;
    struct {
        int32_t actionList, size;
    } containedAction;
    struct {
        int32_t caption, enabled, visible, shortCut, imageIndex, size;
    } customAction;
    struct {
        int32_t actions, size;
    } customActionList;
    struct {
        int32_t color, name, height, onChangeCode, onChangeData, size;
    } font;
    struct {
        int32_t parent, left, top, width, height, visible, text, font, color, parentColor, anchors, size;
    } control;
    struct {
        int32_t handle, controls, size;
    } winControl;
    struct {
        int32_t alignment, autoSize, transparent, showAccelChar, size;
    } customLabel;
    struct {
        int32_t bevelOuter, size;
    } customPanel;
    struct {
        int32_t items, itemIndex, size;
    } customCombo;
    struct {
        int32_t style, needToPopulate, selectedColor, defaultColorColor, noneColorColor, size;
    } customColorBox;
    struct {
        int32_t min, max, position, size;
    } progressBar;
    struct {
        int32_t borderIcons, borderStyle, windowState, formStyle, formState, menu, modalResult, onClose,
            onCloseQuery, onDestroy, size;
    } customForm;
    struct {
        int32_t caption, visible, enabled, imageIndex, shortCut, items, parent, action, command, onClick, size;
    } menuItem;
    struct {
        int32_t items, size;
    } menu;
    struct {
        int32_t handle, mainForm, title, terminate, modalLevel, size;
    } application;
    struct {
        int32_t forms, size;
    } screen;
    struct {
        int32_t list, count, capacity, size;
    } stringList;
};

namespace layout {

// Places fields one after another, each on its natural boundary, the way the
// host's compiler lays out a class's fields after its parent's.
class FieldCursor {
public:
    constexpr explicit FieldCursor(int32_t start) : at_(start) {}
    constexpr int32_t Pointer() { return Take(4, 4); }
    constexpr int32_t Integer() { return Take(4, 4); }
    constexpr int32_t Word() { return Take(2, 2); }
    constexpr int32_t Byte() { return Take(1, 1); }
    constexpr int32_t Method() { return Take(8, 4); }
    // Fields of this build's VCL that the emulated host keeps no value in.
    constexpr void Skip(int32_t bytes) { at_ += bytes; }
    // The instance size: the end, rounded to whole 4-byte units.
    constexpr int32_t End() const { return (at_ + 3) & ~3; }

private:
    constexpr int32_t Take(int32_t size, int32_t align) {
        at_ = (at_ + align - 1) & ~(align - 1);
        const int32_t field = at_;
        at_ += size;
        return field;
    }
    int32_t at_;
};

constexpr VclLayout LayoutOf(int build) {
    VclLayout l{};
    l.packageVersion = build;
    switch (build) {
        case 100: l.vclPackage = "vcl100.bpl", l.ideServicesPackage = "designide100.bpl",
                  l.palettePackage = "dotnetcoreide100.bpl"; break;
        case 90: l.vclPackage = "vcl90.bpl", l.ideServicesPackage = "designide90.bpl", l.palettePackage = ""; break;
        case 70: l.vclPackage = "vcl70.bpl", l.ideServicesPackage = "", l.palettePackage = ""; break;
        case 60: l.vclPackage = "vcl60.bpl", l.ideServicesPackage = "", l.palettePackage = ""; break;
        default: l.vclPackage = "vcl50.bpl", l.ideServicesPackage = "", l.palettePackage = ""; break;
    }

    // Classes: TPersistent has no fields; TComponent.
    FieldCursor c(4);
    l.component.owner = c.Pointer();
    l.component.name = c.Pointer();
    l.component.tag = c.Integer();
    l.component.components = c.Pointer();
    c.Skip(8);  // free notifications, design information
    l.component.componentState = c.Word();
    c.Skip(build >= 60 ? 10 : 6);
    l.component.size = c.End();

    // TBasicAction, TContainedAction, TCustomAction.
    FieldCursor a(l.component.size);
    a.Skip(4);  // the action component
    l.basicAction.onExecute = a.Method();
    l.basicAction.onUpdate = a.Method();
    l.basicAction.clients = a.Pointer();
    l.basicAction.size = a.End();
    a.Skip(4);  // category
    l.containedAction.actionList = a.Pointer();
    a.Skip(4);  // index
    l.containedAction.size = a.End();
    l.customAction.caption = a.Pointer();
    l.customAction.enabled = a.Byte();
    l.customAction.visible = a.Byte();
    if (build >= 70) a.Skip(2);
    l.customAction.shortCut = a.Word();
    l.customAction.imageIndex = a.Integer();
    if (build >= 90) a.Skip(8);
    l.customAction.size = a.End();

    FieldCursor al(l.component.size);
    al.Skip(4);  // images
    l.customActionList.actions = al.Pointer();
    l.customActionList.size = al.End();

    // Graphics: TFont (TGraphicsObject's change event first).
    FieldCursor f(4);
    l.font.onChangeCode = f.Pointer();
    l.font.onChangeData = f.Pointer();
    f.Skip(4);  // the shared resource
    l.font.color = f.Integer();
    l.font.name = f.Pointer();
    l.font.height = f.Integer();
    l.font.size = f.End();

    // Controls: TControl, TWinControl.
    FieldCursor k(l.component.size);
    l.control.parent = k.Pointer();
    k.Skip(8);  // the window procedure
    l.control.left = k.Integer();
    l.control.top = k.Integer();
    l.control.width = k.Integer();
    l.control.height = k.Integer();
    if (build >= 90) k.Skip(8);  // margins
    k.Skip(8);  // control style and state
    l.control.visible = k.Byte();
    l.control.parentColor = k.Byte();
    l.control.anchors = k.Byte();
    l.control.text = k.Pointer();
    l.control.font = k.Pointer();
    l.control.color = k.Integer();
    if (build >= 60) k.Skip(4);
    l.control.size = k.End();

    FieldCursor w(l.control.size);
    w.Skip(4);  // the default window procedure
    l.winControl.handle = w.Pointer();
    l.winControl.controls = w.Pointer();
    if (build >= 70) w.Skip(8);  // bevels
    l.winControl.size = w.End();

    // StdCtrls: TCustomLabel (a graphic control: TGraphicControl adds its
    // canvas), TCustomCombo.
    FieldCursor lb(l.control.size);
    lb.Skip(4);  // the canvas
    l.customLabel.alignment = lb.Byte();
    l.customLabel.autoSize = lb.Byte();
    l.customLabel.transparent = lb.Byte();
    l.customLabel.showAccelChar = lb.Byte();
    if (build >= 60) lb.Skip(4);  // layout, word wrap
    l.customLabel.size = lb.End();

    FieldCursor cb(l.winControl.size);
    l.customCombo.items = cb.Pointer();
    l.customCombo.itemIndex = cb.Integer();
    cb.Skip(8);  // drop-down count, maximum length
    l.customCombo.size = cb.End();

    // ExtCtrls: TCustomPanel, TCustomColorBox (a combo box).
    FieldCursor p(l.winControl.size);
    p.Skip(4);  // the canvas
    l.customPanel.bevelOuter = p.Byte();
    p.Skip(3);
    l.customPanel.size = p.End();

    FieldCursor cc(l.customCombo.size);
    cc.Skip(4);  // combo box style
    l.customColorBox.style = cc.Byte();
    l.customColorBox.needToPopulate = cc.Byte();
    l.customColorBox.selectedColor = cc.Integer();
    l.customColorBox.defaultColorColor = cc.Integer();
    l.customColorBox.noneColorColor = cc.Integer();
    l.customColorBox.size = cc.End();

    // ComCtrls: TProgressBar.
    FieldCursor pb(l.winControl.size);
    l.progressBar.min = pb.Integer();
    l.progressBar.max = pb.Integer();
    l.progressBar.position = pb.Integer();
    l.progressBar.size = pb.End();

    // Forms: TCustomForm (after TScrollingWinControl's scroll bars).
    FieldCursor fm(l.winControl.size);
    fm.Skip(8);  // scroll bars
    if (build >= 70) fm.Skip(8);  // alpha blending
    l.customForm.borderIcons = fm.Byte();
    l.customForm.borderStyle = fm.Byte();
    l.customForm.windowState = fm.Byte();
    l.customForm.formStyle = fm.Byte();
    l.customForm.formState = fm.Byte();
    l.customForm.menu = fm.Pointer();
    l.customForm.modalResult = fm.Integer();
    if (build >= 90) fm.Skip(8);  // pop-up mode and parent
    l.customForm.onClose = fm.Method();
    l.customForm.onCloseQuery = fm.Method();
    l.customForm.onDestroy = fm.Method();
    l.customForm.size = fm.End();

    // Menus: TMenuItem, TMenu.
    FieldCursor mi(l.component.size);
    l.menuItem.caption = mi.Pointer();
    mi.Skip(4);  // the menu handle
    l.menuItem.visible = mi.Byte();
    l.menuItem.enabled = mi.Byte();
    if (build >= 60) mi.Skip(2);  // automatic hot keys and line reduction
    l.menuItem.shortCut = mi.Word();
    l.menuItem.imageIndex = mi.Integer();
    l.menuItem.command = mi.Integer();
    l.menuItem.items = mi.Pointer();
    l.menuItem.parent = mi.Pointer();
    l.menuItem.action = mi.Pointer();
    if (build >= 90) mi.Skip(4);
    l.menuItem.onClick = mi.Method();
    l.menuItem.size = mi.End();

    FieldCursor mn(l.component.size);
    l.menu.items = mn.Pointer();
    mn.Skip(8);  // window handle, images
    l.menu.size = mn.End();

    // TApplication (a component) and TScreen.
    FieldCursor ap(l.component.size);
    l.application.handle = ap.Pointer();
    ap.Skip(8);  // object instance, main window handle
    l.application.mainForm = ap.Pointer();
    l.application.title = ap.Pointer();
    if (build >= 70) ap.Skip(4);
    l.application.terminate = ap.Byte();
    ap.Skip(3);
    l.application.modalLevel = ap.Integer();
    l.application.size = ap.End();

    FieldCursor sc(l.component.size);
    sc.Skip(8);  // fonts, cursors
    l.screen.forms = sc.Pointer();
    l.screen.size = sc.End();

    // Classes: TStringList (TStrings keeps its update count first).
    FieldCursor sl(4);
    sl.Skip(4);  // update count
    l.stringList.list = sl.Pointer();
    l.stringList.count = sl.Integer();
    l.stringList.capacity = sl.Integer();
    sl.Skip(12);  // sorted, duplicates, change events
    l.stringList.size = sl.End();
    return l;
}

}  // namespace layout

inline constexpr VclLayout kVclLayouts[] = {
    layout::LayoutOf(100), layout::LayoutOf(90), layout::LayoutOf(70), layout::LayoutOf(60), layout::LayoutOf(50),
};

// The layout of a build; the 100 layout for an unknown one.
constexpr const VclLayout& VclLayoutFor(int packageVersion) {
    for (const VclLayout& l : kVclLayouts)
        if (l.packageVersion == packageVersion) return l;
    return kVclLayouts[0];
}

// A field of a host object at `offset`.
template <class T>
inline T& FieldAt(const void* object, int32_t offset) {
    return *reinterpret_cast<T*>(static_cast<char*>(const_cast<void*>(object)) + offset);
}

// A method reference (an event handler): code, then the object it runs on.
struct MethodRef {
    void* code;
    void* data;
};
static_assert(sizeof(MethodRef) == 8);

// Interfaces are called through their method tables; slots are numbered
// from 1, the first three being IUnknown's.
constexpr int32_t SlotOffset(int slot) { return (slot - 1) * 4; }

namespace slots {
constexpr int kQueryInterface = 1;
constexpr int kRelease = 3;
// The splash-screen service: shows one line of text (a long string).
constexpr int kSplashStatusMessage = 7;
// The palette service: opens and closes an update of the component palette.
constexpr int kPaletteBeginUpdate = 8;
constexpr int kPaletteEndUpdate = 9;
}  // namespace slots

// The palette service's interface identifier.
inline constexpr GuidRec kPaletteServicesIid = {
    0x6963F71C, 0x0A3F, 0x4598, {0xB6, 0xF6, 0x95, 0x74, 0xCE, 0x0E, 0x68, 0x47}};

// Enumerations and sets (sets as bit masks of their elements).
namespace vcl {
constexpr uint16_t kCsLoading = 1u << 0;       // TComponentState
constexpr uint16_t kCsDestroying = 1u << 3;
constexpr uint8_t kFsModal = 1u << 3;          // TFormState
constexpr uint8_t kBiSystemMenu = 1u << 0;     // TBorderIcons
constexpr uint8_t kBiMinimize = 1u << 1;
constexpr uint8_t kBiMaximize = 1u << 2;
constexpr uint8_t kSsShift = 1u << 0;          // TShiftState
constexpr uint8_t kSsAlt = 1u << 1;
constexpr uint8_t kSsCtrl = 1u << 2;
constexpr uint8_t kAkLeft = 1u << 0;           // TAnchors
constexpr uint8_t kAkTop = 1u << 1;
constexpr uint8_t kAkRight = 1u << 2;
constexpr uint8_t kAkBottom = 1u << 3;
enum CloseAction : uint8_t { kCaNone = 0, kCaHide = 1, kCaFree = 2, kCaMinimize = 3 };
enum FormStyle : uint8_t { kFsNormal = 0, kFsMDIChild = 1, kFsMDIForm = 2, kFsStayOnTop = 3 };
enum WindowState : uint8_t { kWsNormal = 0, kWsMinimized = 1, kWsMaximized = 2 };
enum BorderStyle : uint8_t { kBsNone = 0, kBsSingle = 1, kBsSizeable = 2, kBsDialog = 3 };
enum Alignment : uint8_t { kTaLeftJustify = 0, kTaRightJustify = 1, kTaCenter = 2 };
enum BevelCut : uint8_t { kBvNone = 0, kBvLowered = 1, kBvRaised = 2, kBvSpace = 3 };
enum MsgDlgType : uint8_t { kMtWarning = 0, kMtError = 1, kMtInformation = 2, kMtConfirmation = 3, kMtCustom = 4 };
enum MsgDlgBtn : uint8_t { kMbYes = 0, kMbNo = 1, kMbOK = 2, kMbCancel = 3 };
// TMsgDlgButtons: a 2-byte set.
constexpr uint16_t ButtonSet(MsgDlgBtn a, MsgDlgBtn b) { return static_cast<uint16_t>((1u << a) | (1u << b)); }
enum ModalResult : int32_t { kMrNone = 0, kMrOk = 1, kMrCancel = 2, kMrYes = 6, kMrNo = 7 };
// TShortCut: the virtual key in the low byte, the shift keys above it.
constexpr uint16_t kScShift = 0x2000, kScCtrl = 0x4000, kScAlt = 0x8000;
constexpr uint16_t kVkF9 = 0x78;
// TColor values.
constexpr int32_t kClWhite = 0xFFFFFF;
constexpr int32_t kClWindowText = static_cast<int32_t>(0x80000008);
// TColorBoxStyle elements.
constexpr uint8_t kCbStandardColors = 1u << 0, kCbExtendedColors = 1u << 1, kCbSystemColors = 1u << 2,
                  kCbIncludeNone = 1u << 3, kCbIncludeDefault = 1u << 4, kCbCustomColor = 1u << 5;
}  // namespace vcl

}  // namespace hostabi
