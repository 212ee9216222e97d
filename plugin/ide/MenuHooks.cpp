#include "ide/MenuHooks.h"

#include <cstring>

#include "base/BuildProfile.h"
#include "base/Options.h"
#include "ide/FastQuit.h"
#include "ide/HostVcl.h"
#include "ide/IdeHookNeeds.h"
#include "ide/QuitTexts.h"

namespace toravex {

namespace {

namespace vs = hostabi::vcl;
using vcl::FieldAt;
using vcl::MethodRef;

// The commands whose shortcuts builds 50 to 70 set, and the update handler
// each action had before.
struct ShortcutCommand {
    const char* item;
    uint16_t shortCut;
    MethodRef savedUpdate;
};
ShortcutCommand gCommands[] = {{"RunRunNoDebugItem", vs::kScCtrl | vs::kScShift | vs::kVkF9, {}},
                               {"ProjectBuildItem", vs::kScShift | vs::kVkF9, {}}};

void TakeOverShortcut(ShortcutCommand& command) {
    void* item = FindMainMenuItem(command.item);
    void* action = item ? vcl::GetAction(item) : nullptr;
    if (!action || !vcl::IsInstance(action, hostnames::Actnlist_TCustomAction)) return;
    if (FieldAt<uint16_t>(action, vcl::Fields().customAction.shortCut) != 0) return;
    MethodRef& update = FieldAt<MethodRef>(action, vcl::Fields().basicAction.onUpdate);
    command.savedUpdate = update;
    update = MethodRef{reinterpret_cast<void*>(&ShortcutUpdate), item};
    ShortcutUpdate(item, action);
}

}  // namespace

void* FindMainMenuItem(const char* name) {
    if (FirstMissing(kMenuItemNeeds)) return nullptr;
    void* app = vcl::Application();
    void* main = app ? vcl::MainForm(app) : nullptr;
    void* found = main ? vcl::FindComponent(main, name) : nullptr;
    return vcl::IsInstance(found, hostnames::Menus_TMenuItem) ? found : nullptr;
}

void ShowMenuItem(const char* name) {
    void* item = FindMainMenuItem(name);
    if (!item) return;
    vcl::SetItemVisible(item, true);
    void* action = vcl::GetAction(item);
    if (vcl::IsInstance(action, hostnames::Actnlist_TCustomAction)) vcl::SetActionVisible(action, true);
}

void ShowHiddenMenuItems() {
    if (!HostHasNeeds(IdeHookId::ShowHiddenMenuItems)) return;
    LogHookMade(IdeHookId::ShowHiddenMenuItems);
    ShowMenuItem("ProjectClearUnitCacheItem");
    if (!Profile().hasOlderMenuItems) return;
    for (const char* name : {"RunRunNoDebugItem", "ViewNextWindowItem", "FileNewUnitItem", "HelpWinSDKItem"})
        ShowMenuItem(name);
}

void TakeOverShortcuts() {
    if (!Options.SetShortCuts || !HostHasNeeds(IdeHookId::TakeOverShortcuts)) return;
    LogHookMade(IdeHookId::TakeOverShortcuts);
    for (ShortcutCommand& command : gCommands) TakeOverShortcut(command);
}

// The action's saved handler runs first; then the action and the item get
// the command's shortcut, each time the IDE updates the action.
void ShortcutUpdate(void* item, void* action) {
    const char* name = vcl::NameOf(item);
    for (const ShortcutCommand& command : gCommands) {
        if (!name || std::strcmp(name, command.item) != 0) continue;
        if (command.savedUpdate.code)
            reinterpret_cast<void(HOSTCALL*)(void*, void*)>(command.savedUpdate.code)(command.savedUpdate.data, action);
        vcl::SetActionShortCut(action, command.shortCut);
        vcl::SetItemShortCut(item, FieldAt<uint16_t>(action, vcl::Fields().customAction.shortCut));
    }
}

// A new item owned by "FileExitItem", with its image, appended to the menu
// that holds it.
void AddFastQuitMenuItem() {
    if (!HostHasNeeds(IdeHookId::FastQuitMenuItem)) return;
    void* exit = FindMainMenuItem("FileExitItem");
    void* menu = exit ? FieldAt<void*>(exit, vcl::Fields().menuItem.parent) : nullptr;
    if (!menu) return;
    LogHookMade(IdeHookId::FastQuitMenuItem);
    void* item = vcl::NewMenuItem(exit);
    vcl::SetItemCaption(item, QuitText(QuitTextKind::kMenuCaption));
    FieldAt<MethodRef>(item, vcl::Fields().menuItem.onClick) = MethodRef{reinterpret_cast<void*>(&FastQuitMenuClick),
                                                                        nullptr};
    vcl::SetItemImageIndex(item, FieldAt<int32_t>(exit, vcl::Fields().menuItem.imageIndex));
    vcl::AddItem(menu, item);
}

}  // namespace toravex
