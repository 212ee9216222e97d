// The emulated VCL (build 100, loaded in this process) behaves as the host's
// does where the plug-in relies on it: the layout table is consistent, the
// component model owns and finds by name, the close sequence ends each way
// the host's does, menu items follow their actions into the window's menu,
// a colour box fills its list whenever it has a window, dialogs can be
// scripted, and the palette rebuilds on every notice.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "HostCall.h"
#include "HostClasses.h"
#include "HostNames.h"
#include "TestSupport.h"
#include "VclInterface.h"
#include "base/HostException.h"
#include "base/HostString.h"

namespace {

namespace n = hostnames;
namespace vs = hostabi::vcl;
using hostabi::FieldAt;
using hostabi::MethodRef;

const hostabi::VclLayout& L = hostabi::VclLayoutFor(100);

HMODULE Vcl() {
    static HMODULE vcl = [] {
        testsupport::LoadEmulatedRuntime(100);
        return LoadLibraryA((testsupport::EmulatedIdeDir(100) + "\\vcl100.bpl").c_str());
    }();
    return vcl;
}
HMODULE Rtl() { return testsupport::LoadEmulatedRuntime(100); }

template <class Fn>
Fn Entry(const n::HostName& name) {
    HMODULE module = name.module == n::Module::RTL ? Rtl() : Vcl();
    auto entry = reinterpret_cast<Fn>(GetProcAddress(module, name.decorated));
    EXPECT_NE(reinterpret_cast<void*>(entry), nullptr) << name.decorated;
    return entry;
}
void* ClassRef(const n::HostName& name) { return Entry<void*>(name); }

std::vector<std::string> gLog;
void Record(const char* line) { gLog.push_back(line); }
int CountLines(const std::string& prefix) {
    int count = 0;
    for (const std::string& line : gLog) count += line.rfind(prefix, 0) == 0;
    return count;
}

struct Text {
    explicit Text(const char* text) : value(text) {}
    const char* get() const { return value.Get(); }
    toravex::HostString value;
};

void* Create(const n::HostName& classRef, void* owner, const char* name) {
    void* cls = ClassRef(classRef);
    using Ctor = void*(HOSTCALL*)(void*, int8_t, void*);
    void* c = emuhost::ClassVirtual<Ctor>(cls, emuhost::vslot::kCreate)(cls, 1, owner);
    if (name) Entry<void(HOSTCALL*)(void*, const char*)>(n::Classes_TComponent_SetName)(c, Text(name).get());
    return c;
}
void* NewForm(const char* name) {
    using CreateNew = void*(HOSTCALL_STACK*)(void*, int8_t, void*, int32_t);
    void* f = Entry<CreateNew>(n::Forms_TCustomForm_CreateNew)(ClassRef(n::Forms_TForm), 1, nullptr, 0);
    Entry<void(HOSTCALL*)(void*, const char*)>(n::Classes_TComponent_SetName)(f, Text(name).get());
    return f;
}
void Free(void* object) { Entry<void(HOSTCALL*)(void*)>(n::System_TObject_Free)(object); }
void* Find(void* owner, const char* name) {
    return Entry<void*(HOSTCALL*)(void*, const char*)>(n::Classes_TComponent_FindComponent)(owner, Text(name).get());
}
void* Application() { return *Entry<void**>(n::Forms_Application); }
void ProcessMessages() { Entry<void(HOSTCALL*)(void*)>(n::Forms_TApplication_ProcessMessages)(Application()); }
HWND HandleOf(void* c) { return Entry<HWND(HOSTCALL*)(void*)>(n::Controls_TWinControl_GetHandle)(c); }

class EmulatedVcl : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_NE(Vcl(), nullptr);
        reinterpret_cast<void (*)(void (*)(const char*))>(GetProcAddress(Vcl(), "EmuVclSetLog"))(&Record);
    }
    void SetUp() override { gLog.clear(); }
};

// ---- The layout table ------------------------------------------------------

struct Field {
    int32_t offset, width;
};
struct ClassFields {
    const char* name;
    int32_t parentSize, size;
    std::vector<Field> fields;
};

std::vector<ClassFields> ClassesOf(const hostabi::VclLayout& l) {
    return {
        {"TComponent", 4, l.component.size,
         {{l.component.owner, 4}, {l.component.name, 4}, {l.component.tag, 4}, {l.component.components, 4},
          {l.component.componentState, 2}}},
        {"TBasicAction", l.component.size, l.basicAction.size,
         {{l.basicAction.onExecute, 8}, {l.basicAction.onUpdate, 8}, {l.basicAction.clients, 4}}},
        {"TContainedAction", l.basicAction.size, l.containedAction.size, {{l.containedAction.actionList, 4}}},
        {"TCustomAction", l.containedAction.size, l.customAction.size,
         {{l.customAction.caption, 4}, {l.customAction.enabled, 1}, {l.customAction.visible, 1},
          {l.customAction.shortCut, 2}, {l.customAction.imageIndex, 4}}},
        {"TCustomActionList", l.component.size, l.customActionList.size, {{l.customActionList.actions, 4}}},
        {"TFont", 4, l.font.size,
         {{l.font.onChangeCode, 4}, {l.font.onChangeData, 4}, {l.font.color, 4}, {l.font.name, 4}, {l.font.height, 4}}},
        {"TControl", l.component.size, l.control.size,
         {{l.control.parent, 4}, {l.control.left, 4}, {l.control.top, 4}, {l.control.width, 4}, {l.control.height, 4},
          {l.control.visible, 1}, {l.control.parentColor, 1}, {l.control.anchors, 1}, {l.control.text, 4},
          {l.control.font, 4}, {l.control.color, 4}}},
        {"TWinControl", l.control.size, l.winControl.size, {{l.winControl.handle, 4}, {l.winControl.controls, 4}}},
        {"TCustomLabel", l.control.size, l.customLabel.size,
         {{l.customLabel.alignment, 1}, {l.customLabel.autoSize, 1}, {l.customLabel.transparent, 1},
          {l.customLabel.showAccelChar, 1}}},
        {"TCustomCombo", l.winControl.size, l.customCombo.size, {{l.customCombo.items, 4}, {l.customCombo.itemIndex, 4}}},
        {"TCustomPanel", l.winControl.size, l.customPanel.size, {{l.customPanel.bevelOuter, 1}}},
        {"TCustomColorBox", l.customCombo.size, l.customColorBox.size,
         {{l.customColorBox.style, 1}, {l.customColorBox.needToPopulate, 1}, {l.customColorBox.selectedColor, 4},
          {l.customColorBox.defaultColorColor, 4}, {l.customColorBox.noneColorColor, 4}}},
        {"TProgressBar", l.winControl.size, l.progressBar.size,
         {{l.progressBar.min, 4}, {l.progressBar.max, 4}, {l.progressBar.position, 4}}},
        {"TCustomForm", l.winControl.size, l.customForm.size,
         {{l.customForm.borderIcons, 1}, {l.customForm.borderStyle, 1}, {l.customForm.windowState, 1},
          {l.customForm.formStyle, 1}, {l.customForm.formState, 1}, {l.customForm.menu, 4},
          {l.customForm.modalResult, 4}, {l.customForm.onClose, 8}, {l.customForm.onCloseQuery, 8},
          {l.customForm.onDestroy, 8}}},
        {"TMenuItem", l.component.size, l.menuItem.size,
         {{l.menuItem.caption, 4}, {l.menuItem.visible, 1}, {l.menuItem.enabled, 1}, {l.menuItem.shortCut, 2},
          {l.menuItem.imageIndex, 4}, {l.menuItem.command, 4}, {l.menuItem.items, 4}, {l.menuItem.parent, 4},
          {l.menuItem.action, 4}, {l.menuItem.onClick, 8}}},
        {"TMenu", l.component.size, l.menu.size, {{l.menu.items, 4}}},
        {"TApplication", l.component.size, l.application.size,
         {{l.application.handle, 4}, {l.application.mainForm, 4}, {l.application.title, 4},
          {l.application.terminate, 1}, {l.application.modalLevel, 4}}},
        {"TScreen", l.component.size, l.screen.size, {{l.screen.forms, 4}}},
        {"TStringList", 4, l.stringList.size,
         {{l.stringList.list, 4}, {l.stringList.count, 4}, {l.stringList.capacity, 4}}},
    };
}

TEST(VclLayoutTable, EveryFieldLiesInItsOwnClassAlignedAndApartFromTheOthers) {
    for (const hostabi::VclLayout& l : hostabi::kVclLayouts) {
        for (const ClassFields& c : ClassesOf(l)) {
            SCOPED_TRACE(std::to_string(l.packageVersion) + " " + c.name);
            EXPECT_EQ(c.size % 4, 0);
            for (size_t i = 0; i < c.fields.size(); ++i) {
                const Field& f = c.fields[i];
                EXPECT_GE(f.offset, c.parentSize) << "field " << i;
                EXPECT_LE(f.offset + f.width, c.size) << "field " << i;
                EXPECT_EQ(f.offset % (f.width >= 4 ? 4 : f.width), 0) << "field " << i;
                for (size_t k = 0; k < i; ++k) {
                    const Field& g = c.fields[k];
                    EXPECT_TRUE(f.offset >= g.offset + g.width || g.offset >= f.offset + f.width)
                        << "fields " << k << " and " << i;
                }
            }
        }
    }
    // Builds differ where their VCLs do: a plug-in reading build 50's
    // offsets in build 100 would read other fields.
    EXPECT_NE(hostabi::VclLayoutFor(100).customForm.formState, hostabi::VclLayoutFor(50).customForm.formState);
    EXPECT_NE(hostabi::VclLayoutFor(100).menuItem.parent, hostabi::VclLayoutFor(50).menuItem.parent);
}

// ---- Components ------------------------------------------------------------

TEST_F(EmulatedVcl, ComponentsAreFoundByNameInAnyCaseAndLeaveTheirOwnerWhenFreed) {
    void* owner = Create(n::Classes_TComponent, nullptr, "Owner");
    void* a = Create(n::Classes_TComponent, owner, "Alpha");
    void* b = Create(n::Menus_TMenuItem, owner, "Beta");
    Create(n::Classes_TComponent, owner, "Gamma");
    auto count = Entry<int32_t(HOSTCALL*)(void*)>(n::Classes_TComponent_GetComponentCount);
    EXPECT_EQ(count(owner), 3);
    EXPECT_EQ(Find(owner, "ALPHA"), a);
    EXPECT_EQ(Find(owner, "beta"), b);
    EXPECT_EQ(Find(owner, "Delta"), nullptr);
    EXPECT_EQ(FieldAt<void*>(b, L.component.owner), owner);

    // A second component of that name is refused with the host's text.
    std::string message = testsupport::RaisedMessage([&] {
        Entry<void(HOSTCALL*)(void*, const char*)>(n::Classes_TComponent_SetName)(b, Text("alpha").get());
    });
    EXPECT_EQ(message, "A component named alpha already exists");

    Free(b);
    EXPECT_EQ(count(owner), 2);
    EXPECT_EQ(Find(owner, "Beta"), nullptr);
    EXPECT_EQ(Entry<void*(HOSTCALL*)(void*, int32_t)>(n::Classes_TComponent_GetComponent)(owner, 1), Find(owner, "Gamma"));

    // Loaded ends the loading state and nothing else.
    FieldAt<uint16_t>(a, L.component.componentState) = vs::kCsLoading | 0x10;
    Entry<void(HOSTCALL*)(void*)>(n::Classes_TComponent_Loaded)(a);
    EXPECT_EQ(FieldAt<uint16_t>(a, L.component.componentState), 0x10);
    Free(owner);  // frees Alpha and Gamma
}

TEST_F(EmulatedVcl, GlobalComponentsAreTheFormsByName) {
    void* f = NewForm("SomeGlobalForm");
    auto find = Entry<void*(HOSTCALL*)(const char*)>(n::Classes_FindGlobalComponent);
    EXPECT_EQ(find(Text("someglobalform").get()), f);
    Free(f);
    EXPECT_EQ(find(Text("SomeGlobalForm").get()), nullptr);
}

// ---- The close sequence ----------------------------------------------------

struct CloseRecord {
    int closeQueries = 0, closes = 0, destroyed = 0;
    uint8_t actionSeen = 0xFF;
    bool refuse = false;
    uint8_t setAction = 0xFF;  // what OnClose sets, 0xFF: leave it
};
CloseRecord gClose;
bool gTerminateAgrees = true;
int gTerminateAsked = 0;

void HOSTCALL OnCloseQuery(void*, void*, bool* canClose) {
    ++gClose.closeQueries;
    if (gClose.refuse) *canClose = false;
}
void HOSTCALL OnClose(void*, void*, uint8_t* action) {
    ++gClose.closes;
    gClose.actionSeen = *action;
    if (gClose.setAction != 0xFF) *action = gClose.setAction;
}
void HOSTCALL OnDestroy(void*, void*) { ++gClose.destroyed; }
bool HOSTCALL TerminateProc() {
    ++gTerminateAsked;
    return gTerminateAgrees;
}

TEST_F(EmulatedVcl, CloseEndsAsTheHostsCloseDoesForEveryKindOfForm) {
    Entry<void(HOSTCALL*)(void*)>(n::Sysutils_AddTerminateProc)(reinterpret_cast<void*>(&TerminateProc));
    auto close = Entry<void(HOSTCALL*)(void*)>(n::Forms_TCustomForm_Close);
    enum Kind { kPlain, kModal, kMDIChildMinimizable, kMDIChildFixed, kMain };
    struct Case {
        const char* what;
        Kind kind;
        bool refuse;
        uint8_t setAction;
        bool terminateAgrees;
        // expected
        int closes;
        uint8_t actionSeen;
        int32_t modalResult;
        uint8_t windowState;
        int destroyed;
        bool quit;
    };
    const Case cases[] = {
        {"hidden", kPlain, false, 0xFF, true, 1, vs::kCaHide, 0, vs::kWsNormal, 0, false},
        {"modal: cancel only", kModal, false, 0xFF, true, 0, 0xFF, vs::kMrCancel, vs::kWsNormal, 0, false},
        {"CloseQuery refuses", kPlain, true, 0xFF, true, 0, 0xFF, 0, vs::kWsNormal, 0, false},
        {"OnClose says none", kPlain, false, vs::kCaNone, true, 1, vs::kCaHide, 0, vs::kWsNormal, 0, false},
        {"OnClose says free", kPlain, false, vs::kCaFree, true, 1, vs::kCaHide, 0, vs::kWsNormal, 1, false},
        {"MDI child minimizes", kMDIChildMinimizable, false, 0xFF, true, 1, vs::kCaMinimize, 0, vs::kWsMinimized, 0,
         false},
        {"MDI child without minimize", kMDIChildFixed, false, 0xFF, true, 1, vs::kCaNone, 0, vs::kWsNormal, 0, false},
        {"main form ends the application", kMain, false, 0xFF, true, 1, vs::kCaHide, 0, vs::kWsNormal, 0, true},
        {"a terminate procedure refuses", kMain, false, 0xFF, false, 1, vs::kCaHide, 0, vs::kWsNormal, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        gClose = {};
        gClose.refuse = c.refuse;
        gClose.setAction = c.setAction;
        gTerminateAgrees = c.terminateAgrees;
        gTerminateAsked = 0;
        void* f = NewForm("ClosingForm");
        FieldAt<MethodRef>(f, L.customForm.onCloseQuery) = {reinterpret_cast<void*>(&OnCloseQuery), nullptr};
        FieldAt<MethodRef>(f, L.customForm.onClose) = {reinterpret_cast<void*>(&OnClose), nullptr};
        FieldAt<MethodRef>(f, L.customForm.onDestroy) = {reinterpret_cast<void*>(&OnDestroy), nullptr};
        if (c.kind == kModal) FieldAt<uint8_t>(f, L.customForm.formState) |= vs::kFsModal;
        if (c.kind == kMDIChildMinimizable || c.kind == kMDIChildFixed)
            FieldAt<uint8_t>(f, L.customForm.formStyle) = vs::kFsMDIChild;
        if (c.kind == kMDIChildFixed) FieldAt<uint8_t>(f, L.customForm.borderIcons) = vs::kBiSystemMenu;
        if (c.kind == kMain) FieldAt<void*>(Application(), L.application.mainForm) = f;

        close(f);
        ProcessMessages();  // a release, a quit message
        EXPECT_EQ(gClose.closes, c.closes);
        EXPECT_EQ(gClose.actionSeen, c.actionSeen);
        EXPECT_EQ(gClose.closeQueries, c.kind == kModal ? 0 : 1);
        EXPECT_EQ(gClose.destroyed, c.destroyed);
        EXPECT_EQ(FieldAt<bool>(Application(), L.application.terminate), c.quit);
        EXPECT_EQ(gTerminateAsked, c.kind == kMain ? 1 : 0);
        if (c.destroyed) continue;
        EXPECT_EQ(FieldAt<int32_t>(f, L.customForm.modalResult), c.modalResult);
        EXPECT_EQ(FieldAt<uint8_t>(f, L.customForm.windowState), c.windowState);
        FieldAt<bool>(Application(), L.application.terminate) = false;
        FieldAt<void*>(Application(), L.application.mainForm) = nullptr;
        FieldAt<uint8_t>(f, L.customForm.formState) = 0;
        Free(f);
    }
    FieldAt<bool>(Application(), L.application.terminate) = false;
    gTerminateAgrees = true;
}

TEST_F(EmulatedVcl, TheShiftStateIsThatOfThisThreadsKeyboard) {
    BYTE keys[256], saved[256];
    GetKeyboardState(saved);
    auto shiftState = Entry<uint8_t(HOSTCALL*)()>(n::Forms_KeyboardStateToShiftState);
    struct Case {
        int key;
        uint8_t state;
    } cases[] = {{0, 0}, {VK_CONTROL, vs::kSsCtrl}, {VK_SHIFT, vs::kSsShift}, {VK_MENU, vs::kSsAlt}};
    for (const Case& c : cases) {
        std::copy(saved, saved + 256, keys);
        for (int k : {VK_CONTROL, VK_SHIFT, VK_MENU}) keys[k] = 0;
        if (c.key) keys[c.key] = 0x80;
        SetKeyboardState(keys);
        EXPECT_EQ(shiftState(), c.state) << c.key;
    }
    SetKeyboardState(saved);
}

// ---- Menus and actions -----------------------------------------------------

int gClicks = 0, gExecutes = 0;
void HOSTCALL CountClick(void*, void*) { ++gClicks; }
void HOSTCALL CountExecute(void*, void*) { ++gExecutes; }

std::vector<std::string> MenuTexts(HMENU menu) {
    std::vector<std::string> texts;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[128] = {};
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        texts.push_back(text);
    }
    return texts;
}

TEST_F(EmulatedVcl, MenuItemsFollowTheirActionAndTheWindowsMenuShowsTheVisibleOnes) {
    void* form = NewForm("MenuForm");
    void* menu = Create(n::Menus_TMainMenu, form, "Menu");
    void* bar = FieldAt<void*>(menu, L.menu.items);
    auto add = Entry<void(HOSTCALL*)(void*, void*)>(n::Menus_TMenuItem_Add);
    auto caption = Entry<void(HOSTCALL*)(void*, const char*)>(n::Menus_TMenuItem_SetCaption);
    auto item = [&](void* parent, const char* name, const char* text) {
        void* mi = Create(n::Menus_TMenuItem, form, name);
        caption(mi, Text(text).get());
        add(parent, mi);
        return mi;
    };
    void* file = item(bar, "FileMenu", "&File");
    void* open = item(file, "OpenItem", "&Open");
    void* hidden = item(file, "HiddenItem", "Hidden");
    Entry<void(HOSTCALL*)(void*, bool)>(n::Menus_TMenuItem_SetVisible)(hidden, false);
    FieldAt<MethodRef>(open, L.menuItem.onClick) = {reinterpret_cast<void*>(&CountClick), nullptr};

    void* list = Create(n::Actnlist_TActionList, form, "Actions");
    void* action = Create(n::Actnlist_TAction, form, "BuildCommand");
    Entry<void(HOSTCALL*)(void*, void*)>(n::Actnlist_TContainedAction_SetActionList)(action, list);
    Entry<void(HOSTCALL*)(void*, const char*)>(n::Actnlist_TCustomAction_SetCaption)(action, Text("&Build").get());
    Entry<void(HOSTCALL*)(void*, uint16_t)>(n::Actnlist_TCustomAction_SetShortCut)(action, vs::kScShift | vs::kVkF9);
    FieldAt<MethodRef>(action, L.basicAction.onExecute) = {reinterpret_cast<void*>(&CountExecute), nullptr};
    void* build = Create(n::Menus_TMenuItem, form, "BuildItem");
    Entry<void(HOSTCALL*)(void*, void*)>(n::Menus_TMenuItem_SetAction)(build, action);
    add(file, build);
    EXPECT_EQ(Entry<void*(HOSTCALL*)(void*)>(n::Menus_TMenuItem_GetAction)(build), action);
    EXPECT_EQ(FieldAt<void*>(build, L.menuItem.parent), file);

    Entry<void(HOSTCALL*)(void*, void*)>(n::Forms_TCustomForm_SetMenu)(form, menu);
    HWND hwnd = HandleOf(form);  // a window, not shown
    HMENU fileMenu = GetSubMenu(GetMenu(hwnd), 0);
    EXPECT_EQ(MenuTexts(GetMenu(hwnd)), std::vector<std::string>{"&File"});
    EXPECT_EQ(MenuTexts(fileMenu), (std::vector<std::string>{"&Open", "&Build\tShift+F9"}));

    // The action's changes reach the item and the window's menu.
    Entry<void(HOSTCALL*)(void*, uint16_t)>(n::Actnlist_TCustomAction_SetShortCut)(
        action, vs::kScCtrl | vs::kScShift | vs::kVkF9);
    EXPECT_EQ(FieldAt<uint16_t>(build, L.menuItem.shortCut), vs::kScCtrl | vs::kScShift | vs::kVkF9);
    EXPECT_EQ(MenuTexts(GetSubMenu(GetMenu(hwnd), 0))[1], "&Build\tShift+Ctrl+F9");
    Entry<void(HOSTCALL*)(void*, bool)>(n::Actnlist_TCustomAction_SetVisible)(action, false);
    EXPECT_FALSE(FieldAt<bool>(build, L.menuItem.visible));
    EXPECT_EQ(MenuTexts(GetSubMenu(GetMenu(hwnd), 0)), std::vector<std::string>{"&Open"});
    Entry<void(HOSTCALL*)(void*, bool)>(n::Menus_TMenuItem_SetVisible)(hidden, true);
    EXPECT_EQ(MenuTexts(GetSubMenu(GetMenu(hwnd), 0)), (std::vector<std::string>{"&Open", "Hidden"}));

    // A click runs the item's handler, or else its action.
    gClicks = gExecutes = 0;
    auto click = Entry<void(HOSTCALL*)(void*)>(n::Menus_TMenuItem_Click);
    click(open);
    click(build);
    EXPECT_EQ(gClicks, 1);
    EXPECT_EQ(gExecutes, 1);
    // A menu command of the window does the same.
    SendMessageA(hwnd, WM_COMMAND, static_cast<WPARAM>(FieldAt<int32_t>(open, L.menuItem.command)), 0);
    EXPECT_EQ(gClicks, 2);

    // Update asks the action's OnUpdate; none assigned: false.
    auto update = Entry<bool(HOSTCALL*)(void*)>(n::Classes_TBasicAction_Update);
    EXPECT_FALSE(update(action));
    FieldAt<MethodRef>(action, L.basicAction.onUpdate) = {reinterpret_cast<void*>(&CountExecute), nullptr};
    EXPECT_TRUE(update(action));
    EXPECT_EQ(gExecutes, 2);
    Free(form);  // the menu, its items, the action list and the action go with it
}

// ---- The colour box --------------------------------------------------------

const char kColorForm[] = R"(object TestColors: TForm
  object ColorBox1: TColorBox
    Left = 8
    Style = [cbStandardColors, cbExtendedColors, cbCustomColor]
    Selected = clTeal
  end
end
)";

using LoadDescription = void (*)(void*, const char*);

int32_t SelectedIndexOf(void* box) { return static_cast<int32_t>(SendMessageA(HandleOf(box), CB_GETCURSEL, 0, 0)); }

TEST_F(EmulatedVcl, AColorBoxFillsItsListWheneverItHasAWindowAndKeepsItsColourSelected) {
    auto load = reinterpret_cast<LoadDescription>(GetProcAddress(Vcl(), "EmuVclLoadFormDescription"));
    ASSERT_NE(load, nullptr);

    // Read before the form has a window: nothing is filled while loading;
    // the window's creation fills the list once.
    void* quiet = NewForm("QuietForm");
    load(quiet, kColorForm);
    void* box = Find(quiet, "ColorBox1");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(CountLines("colorbox-populate"), 0);
    EXPECT_TRUE(FieldAt<bool>(box, L.customColorBox.needToPopulate));
    EXPECT_EQ(FieldAt<uint16_t>(box, L.component.componentState) & vs::kCsLoading, 0);
    HandleOf(box);
    EXPECT_EQ(gLog.back(), "colorbox-populate ColorBox1 items=20");
    EXPECT_EQ(CountLines("colorbox-populate"), 1);
    EXPECT_EQ(SelectedIndexOf(box), 6);  // clTeal, the seventh standard colour
    Free(quiet);

    // Read into a shown form: every change made while loading fills it again.
    gLog.clear();
    void* shown = NewForm("ShownForm");
    Entry<void(HOSTCALL*)(void*)>(n::Forms_TCustomForm_Show)(shown);
    load(shown, kColorForm);
    box = Find(shown, "ColorBox1");
    EXPECT_EQ(CountLines("colorbox-populate"), 2);
    EXPECT_EQ(SelectedIndexOf(box), 6);
    EXPECT_FALSE(FieldAt<bool>(box, L.customColorBox.needToPopulate));
    EXPECT_EQ(FieldAt<int32_t>(box, L.customColorBox.selectedColor), 0x808000);
    Free(shown);

    // A description naming a property the class does not have is refused.
    void* bad = NewForm("BadForm");
    EXPECT_EQ(testsupport::RaisedMessage([&] { load(bad, "object BadForm: TForm\n  Colour = clRed\nend\n"); }),
              "Error reading BadForm.Colour: Property Colour does not exist");
    Free(bad);
}

// ---- Dialogs ---------------------------------------------------------------

TEST_F(EmulatedVcl, ScriptedDialogsTakeTheirAnswersInOrderAndTheLogSaysWhatWasAsked) {
    reinterpret_cast<void (*)(const char*)>(GetProcAddress(Vcl(), "EmuVclScriptDialogs"))("Cancel,OK,No");
    using MessageDlg = int32_t(HOSTCALL_STACK*)(const char*, uint8_t, uint16_t, int32_t);
    auto dlg = Entry<MessageDlg>(n::Dialogs_MessageDlg);
    EXPECT_EQ(dlg(Text("Quit?").get(), vs::kMtWarning, vs::ButtonSet(vs::kMbOK, vs::kMbCancel), 0), vs::kMrCancel);
    EXPECT_EQ(dlg(Text("Again?").get(), vs::kMtWarning, vs::ButtonSet(vs::kMbOK, vs::kMbCancel), 0), vs::kMrOk);
    EXPECT_EQ(dlg(Text("Kill?").get(), vs::kMtConfirmation, vs::ButtonSet(vs::kMbYes, vs::kMbNo), 0), vs::kMrNo);
    EXPECT_EQ(gLog, (std::vector<std::string>{"dialog Warning \"Quit?\" buttons=OK,Cancel answer=Cancel",
                                              "dialog Warning \"Again?\" buttons=OK,Cancel answer=OK",
                                              "dialog Confirmation \"Kill?\" buttons=Yes,No answer=No"}));

    // Scripted, the application only logs the exceptions it shows; EAbort
    // is never shown.
    gLog.clear();
    auto show = Entry<void(HOSTCALL*)(void*, void*)>(n::Forms_TApplication_ShowException);
    using ExceptionCreate = void*(HOSTCALL*)(void*, int8_t, const char*);
    void* e = Entry<ExceptionCreate>(n::Sysutils_Exception_Create)(ClassRef(n::Sysutils_Exception), 1,
                                                                  Text("Disk full").get());
    show(Application(), e);
    Free(e);
    EXPECT_EQ(gLog, std::vector<std::string>{"exception Exception \"Disk full.\""});
}

// ---- The palette -----------------------------------------------------------

struct PaletteReport {
    int modified = 0, rebuilds = 0, begin = 0, end = 0, items = 0;
};
PaletteReport ReadPalette(HMODULE palette) {
    char line[256];
    reinterpret_cast<void (*)(char*, int)>(GetProcAddress(palette, "EmuPaletteReport"))(line, sizeof line);
    PaletteReport r;
    sscanf(line, "modified=%d rebuilds=%d begin=%d end=%d items=%d", &r.modified, &r.rebuilds, &r.begin, &r.end,
           &r.items);
    return r;
}

TEST(EmulatedPalette, EveryNoticeRebuildsThePaletteAndAnUpdateBracketRebuildsOnceAtItsEnd) {
    Vcl();
    HMODULE palette = LoadLibraryA((testsupport::EmulatedIdeDir(100) + "\\dotnetcoreide100.bpl").c_str());
    ASSERT_NE(palette, nullptr);
    void* service = reinterpret_cast<void* (*)()>(GetProcAddress(palette, "EmuPaletteServices"))();
    void* manager = reinterpret_cast<void* (*)()>(GetProcAddress(palette, "EmuPaletteManager"))();
    auto slots = *static_cast<void* const* const*>(service);

    using Query = HRESULT(WINAPI*)(void*, const hostabi::GuidRec*, void**);
    void* out = nullptr;
    EXPECT_EQ(reinterpret_cast<Query>(slots[0])(service, &hostabi::kPaletteServicesIid, &out), S_OK);
    EXPECT_EQ(out, service);
    const hostabi::GuidRec other = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    EXPECT_EQ(reinterpret_cast<Query>(slots[0])(service, &other, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);

    using Add = void(HOSTCALL*)(void*, const char*, const char*);
    for (int i = 0; i < 5; ++i) reinterpret_cast<Add>(slots[3])(service, Text("Page").get(), Text("TThing").get());
    PaletteReport r = ReadPalette(palette);
    EXPECT_EQ(r.modified, 5);
    EXPECT_EQ(r.rebuilds, 5);
    EXPECT_EQ(r.items, 5);

    using Stdcall = HRESULT(WINAPI*)(void*);
    auto begin = reinterpret_cast<Stdcall>(GetProcAddress(palette, n::Dotnetpalettemgr_TDotNetPaletteServices_BeginUpdate.decorated));
    auto end = reinterpret_cast<Stdcall>(GetProcAddress(palette, n::Dotnetpalettemgr_TDotNetPaletteServices_EndUpdate.decorated));
    auto modified = reinterpret_cast<Stdcall>(GetProcAddress(palette, n::Dotnetpalettemgr_TDotNetPaletteServices_Modified.decorated));
    begin(manager);
    begin(manager);
    EXPECT_EQ(end(manager), S_OK);
    EXPECT_EQ(ReadPalette(palette).rebuilds, 5);  // still inside the outer bracket
    EXPECT_EQ(modified(manager), S_OK);             // a notice rebuilds all the same
    end(manager);
    r = ReadPalette(palette);
    EXPECT_EQ(r.rebuilds, 7);
    EXPECT_EQ(r.begin, 2);
    EXPECT_EQ(r.end, 2);

    // The service's slots the host does not provide raise.
    std::string message = testsupport::RaisedMessage([&] { reinterpret_cast<void(HOSTCALL*)(void*)>(slots[4])(service); });
    EXPECT_NE(message.find("not provided"), std::string::npos) << message;
}

}  // namespace
