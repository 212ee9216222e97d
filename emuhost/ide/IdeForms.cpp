// The emulated IDE's forms: the main form "AppBuilder" (class TAppBuilder)
// with the menus and actions of its build, a secondary window, the modal
// "AboutBox" and the colour form read from its stored description.
//
// The menu items the plug-in looks for, per build: in 50-70 the items
// "FileNewUnitItem", "ViewNextWindowItem", "HelpWinSDKItem" and
// "RunRunNoDebugItem" are hidden, and "RunRunNoDebugItem" and
// "ProjectBuildItem" are linked to actions without shortcuts; in 90 and 100
// the two actions have their shortcuts (Ctrl+Shift+F9, Shift+F9).
// "ProjectClearUnitCacheItem" is hidden in every build. "FileExitItem"
// (image index 43) is the File menu's last item.
#include <map>
#include <string>

#include "HostBuilds.h"
#include "HostFrames.h"
#include "IdeApplication.h"
#include "IdeVcl.h"

extern "C" {
__declspec(dllimport) void EmuVclLoadFormDescription(void* form, const char* text);
}

namespace ide {

namespace {

using namespace idevcl;

const unsigned char kTAppBuilder[] = "\x0BTAppBuilder";
emuhost::HostClass gAppBuilderClass;
void* gMainForm = nullptr;
std::map<std::string, int> gActionUpdates;
constexpr int32_t kExitImageIndex = 43;

// Handlers (the IDE's code, called by the VCL in the host's convention).
void HOSTCALL ItemClick(void*, void* item) {
    Log("click %s", NameOf(item));
    if (std::string(NameOf(item)) == "FileExitItem")
        IDE_CALL(Forms_TCustomForm_Close, void(HOSTCALL*)(void*))(gMainForm);
}

void HOSTCALL ActionExecute(void*, void* action) { Log("execute %s", NameOf(action)); }
void HOSTCALL ActionUpdate(void*, void* action) { ++gActionUpdates[NameOf(action)]; }

// The main form asks about its unsaved file as the -unsaved switch answers.
void HOSTCALL MainFormCloseQuery(void*, void*, bool* canClose) {
    const std::string& answer = Switches().unsaved;
    if (answer.empty()) return;
    Log("closequery Unit1.pas answer=%s", answer.c_str());
    if (answer == "yes") Log("save Unit1.pas");
    if (answer == "cancel") *canClose = false;
    if (answer == "raise") Raise("Cannot save Unit1.pas");
}

void HOSTCALL MainFormClose(void*, void*, uint8_t*) { Log("close"); }
void HOSTCALL FormClose(void*, void* form, uint8_t* action) { Log("close %s action=%d", NameOf(form), *action); }
void HOSTCALL FormDestroy(void*, void* form) { Log("destroy %s", NameOf(form)); }

void* NewItem(void* owner, void* parent, const char* name, const char* caption, bool visible = true) {
    void* item = NewMenuItem(owner, name, caption);
    if (!visible) SetItemVisible(item, false);
    AddItem(parent, item);
    return item;
}

void* NewAction(void* form, void* list, const char* name, const char* caption, uint16_t shortCut, bool visible) {
    void* action = Create(&rtlimp_Actnlist_TAction, form, name);
    IDE_CALL(Actnlist_TContainedAction_SetActionList, void(HOSTCALL*)(void*, void*))(action, list);
    IDE_CALL(Actnlist_TCustomAction_SetCaption, void(HOSTCALL*)(void*, const char*))(action, HostText(caption).get());
    std::string prefix = name;
    prefix.resize(prefix.size() - 7);  // without "Command"
    if (prefix == Switches().shortcutAction) shortCut = TextToShortCut(Switches().shortcutKeys);
    IDE_CALL(Actnlist_TCustomAction_SetShortCut, void(HOSTCALL*)(void*, uint16_t))(action, shortCut);
    IDE_CALL(Actnlist_TCustomAction_SetVisible, void(HOSTCALL*)(void*, bool))(action, visible);
    SetEvent(action, L.basicAction.onExecute, reinterpret_cast<void*>(&ActionExecute));
    SetEvent(action, L.basicAction.onUpdate, reinterpret_cast<void*>(&ActionUpdate));
    return action;
}

void* NewLinkedItem(void* owner, void* parent, const char* name, void* action) {
    void* item = Create(&rtlimp_Menus_TMenuItem, owner, name);
    IDE_CALL(Menus_TMenuItem_SetAction, void(HOSTCALL*)(void*, void*))(item, action);
    AddItem(parent, item);
    return item;
}

void BuildMenus(void* form) {
    void* menu = Create(&rtlimp_Menus_TMainMenu, form, "MainMenu1");
    void* bar = FieldAt<void*>(menu, L.menu.items);
    auto click = reinterpret_cast<void*>(&ItemClick);

    void* file = NewItem(form, bar, "FileMenu", "&File");
    if (kOlderBuild) NewItem(form, file, "FileNewUnitItem", "New &Unit", false);
    SetEvent(NewItem(form, file, "FileOpenItem", "&Open..."), L.menuItem.onClick, click);
    SetEvent(NewItem(form, file, "FileSaveItem", "&Save"), L.menuItem.onClick, click);
    NewItem(form, file, "FileSeparator", "-");
    if (Switches().exitItem) {
        void* exit = NewItem(form, file, "FileExitItem", "E&xit");
        IDE_CALL(Menus_TMenuItem_SetImageIndex, void(HOSTCALL*)(void*, int32_t))(exit, kExitImageIndex);
        SetEvent(exit, L.menuItem.onClick, click);
    }

    void* view = NewItem(form, bar, "ViewMenu", "&View");
    SetEvent(NewItem(form, view, "ViewObjectInspectorItem", "&Object Inspector"), L.menuItem.onClick, click);
    if (kOlderBuild) NewItem(form, view, "ViewNextWindowItem", "&Next Window", false);

    void* actions = Create(&rtlimp_Actnlist_TActionList, form, "ActionList1");
    const uint16_t buildKeys = kOlderBuild ? 0 : vs::kScShift | vs::kVkF9;
    const uint16_t noDebugKeys = kOlderBuild ? 0 : vs::kScCtrl | vs::kScShift | vs::kVkF9;
    void* project = NewItem(form, bar, "ProjectMenu", "&Project");
    NewLinkedItem(form, project, "ProjectBuildItem",
                  NewAction(form, actions, "ProjectBuildCommand", "&Build", buildKeys, true));
    NewItem(form, project, "ProjectClearUnitCacheItem", "Clear &Unit Cache", false);

    void* run = NewItem(form, bar, "RunMenu", "&Run");
    void* runItem = NewItem(form, run, "RunRunItem", "&Run");
    SetItemShortCut(runItem, vs::kVkF9);
    SetEvent(runItem, L.menuItem.onClick, click);
    NewLinkedItem(form, run, "RunRunNoDebugItem",
                  NewAction(form, actions, "RunRunNoDebugCommand", "Run &Without Debugging", noDebugKeys,
                            !kOlderBuild));

    void* help = NewItem(form, bar, "HelpMenu", "&Help");
    if (kOlderBuild) NewItem(form, help, "HelpWinSDKItem", "&Windows SDK", false);
    SetEvent(NewItem(form, help, "HelpAboutItem", "&About..."), L.menuItem.onClick, click);

    IDE_CALL(Forms_TCustomForm_SetMenu, void(HOSTCALL*)(void*, void*))(form, menu);
}

}  // namespace

void* CreateMainForm() {
    void* form = &rtlimp_Forms_TForm;
    emuhost::DefineHostClass(gAppBuilderClass, kTAppBuilder, emuhost::InstanceSizeOf(form), form,
                             emuhost::vslot::kCount);
    gMainForm = NewForm(gAppBuilderClass.Ref(), "AppBuilder");
    FieldAt<void*>(Application(), L.application.mainForm) = gMainForm;
    SetBounds(gMainForm, 0, 0, 800, 600);
    SetText(gMainForm, emuhost::HostBuildFor(EMUHOST_BUILD).productName);
    BuildMenus(gMainForm);
    SetEvent(gMainForm, L.customForm.onCloseQuery, reinterpret_cast<void*>(&MainFormCloseQuery));
    SetEvent(gMainForm, L.customForm.onClose, reinterpret_cast<void*>(&MainFormClose));
    SetEvent(gMainForm, L.customForm.onDestroy, reinterpret_cast<void*>(&FormDestroy));
    return gMainForm;
}

void CreateSecondaryWindows() {
    if (!Switches().secondary) return;
    void* edit = NewForm(&rtlimp_Forms_TForm, "EditWindow");
    SetBounds(edit, 820, 40, 360, 240);
    SetText(edit, "Unit1.pas");
    SetEvent(edit, L.customForm.onClose, reinterpret_cast<void*>(&FormClose));
    SetEvent(edit, L.customForm.onDestroy, reinterpret_cast<void*>(&FormDestroy));
    ShowForm(edit);
}

void* NewModalDialog() {
    void* about = NewForm(&rtlimp_Forms_TForm, "AboutBox");
    FieldAt<uint8_t>(about, L.customForm.borderStyle) = vs::kBsDialog;
    SetBounds(about, 200, 150, 300, 160);
    SetText(about, "About");
    SetEvent(about, L.customForm.onClose, reinterpret_cast<void*>(&FormClose));
    SetEvent(about, L.customForm.onDestroy, reinterpret_cast<void*>(&FormDestroy));
    return about;
}

// The colour form is shown first and then read from its stored description,
// as the IDE fills some of its windows.
void ShowColorForm() {
    if constexpr (EMUHOST_BUILD < 60) {
        Log("colorbox unavailable");
    } else {
        HRSRC resource = FindResourceA(nullptr, "COLORFORM", reinterpret_cast<LPCSTR>(RT_RCDATA));
        if (!resource) return;
        const char* data = static_cast<const char*>(LockResource(LoadResource(nullptr, resource)));
        std::string description(data, SizeofResource(nullptr, resource));
        void* form = NewForm(&rtlimp_Forms_TForm, "ColorForm");
        SetBounds(form, 40, 640, 260, 120);
        SetEvent(form, L.customForm.onDestroy, reinterpret_cast<void*>(&FormDestroy));
        ShowForm(form);
        hostframes::CaughtException caught{};
        if (hostframes::TryExcept([&] { EmuVclLoadFormDescription(form, description.c_str()); }, caught)) {
            Log("colorform failed: %s", static_cast<hostabi::ExceptionObject*>(caught.object)->message);
            return;
        }
        void* box = FindComponent(form, "ColorBox1");
        void* items = FieldAt<void*>(box, L.customCombo.items);
        const int32_t count = IDE_CALL(Classes_TStringList_GetCount, int32_t(HOSTCALL*)(void*))(items);
        char text[64] = "none";
        GetWindowTextA(Handle(box), text, sizeof text);
        Log("colorbox ColorBox1 items=%d selected=%s", count, text);
    }
}

void LogActionUpdates() {
    for (const auto& [name, count] : gActionUpdates) Log("action-updates %s=%d", name.c_str(), count);
}

}  // namespace ide
