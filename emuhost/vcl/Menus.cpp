// Menus: TMenuItem (caption, visibility, shortcut, image index, click
// handler, an action it is linked to, its sub-items) and TMenu/TMainMenu,
// whose items become the menu bar of the form that shows it. Hidden items
// are left out of the window's menu, and every change rebuilds it.
#include <vector>

#include "Vcl.h"

namespace vcl {

namespace {

using emuhost::HostClass;
namespace vslot = emuhost::vslot;

const unsigned char kTMenuItem[] = "\x09TMenuItem";
const unsigned char kTMenu[] = "\x05TMenu";
const unsigned char kTMainMenu[] = "\x09TMainMenu";

struct CommandEntry {
    int32_t command;
    void* item;
};
std::vector<CommandEntry> gCommands;
int32_t gNextCommand = 100;

bool IsMenu(const void* c) { return rt::IsClass(c, emu_Menus_TMenu_record.Ref()); }

// The menu whose item tree holds `menuItem` (the owner of the root item).
void* MenuOf(void* menuItem) {
    while (item::Parent(menuItem)) menuItem = item::Parent(menuItem);
    void* owner = component::Owner(menuItem);
    return owner && IsMenu(owner) && item::MenuItems(owner) == menuItem ? owner : nullptr;
}

void AppendItems(HMENU menu, void* parent) {
    ListObject* items = item::Items(parent);
    for (int32_t i = 0; i < rt::Count(items); ++i) {
        void* mi = items->list[i];
        if (!item::Visible(mi)) continue;
        const char* caption = item::Caption(mi) ? item::Caption(mi) : "";
        if (caption[0] == '-' && caption[1] == 0) {
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        char text[320];
        char keys[64] = "";
        if (item::ShortCut(mi)) ShortCutToText(item::ShortCut(mi), keys, sizeof keys);
        wsprintfA(text, keys[0] ? "%s\t%s" : "%s", caption, keys);
        const UINT enabled = item::Enabled(mi) ? MF_ENABLED : MF_GRAYED;
        if (rt::Count(item::Items(mi)) > 0) {
            HMENU sub = CreatePopupMenu();
            AppendItems(sub, mi);
            AppendMenuA(menu, MF_POPUP | enabled, reinterpret_cast<UINT_PTR>(sub), text);
        } else {
            AppendMenuA(menu, MF_STRING | enabled, static_cast<UINT_PTR>(item::Command(mi)), text);
        }
    }
}

void HOSTCALL DestroyMenuItem(void* self, int8_t outermost) {
    rt::BeforeDestruction(self, outermost);
    if (void* parent = item::Parent(self)) {
        rt::ListRemove(item::Items(parent), self);
        item::Parent(self) = nullptr;
        MenuChanged(parent);
    }
    while (ListObject* items = item::Items(self)) {
        if (items->count == 0) {
            rt::Free(items);
            item::Items(self) = nullptr;
            break;
        }
        rt::Free(items->list[0]);
    }
    UnlinkMenuItemAction(self);
    for (auto it = gCommands.begin(); it != gCommands.end(); ++it)
        if (it->item == self) {
            gCommands.erase(it);
            break;
        }
    rt::InheritedDestroy(rt::TComponentClass(), self);
    if (outermost) rt::ClassDestroy(self);
}

void* HOSTCALL MenuItemCreateVirtual(void* c, int8_t a, void* o) { return emu_Menus_TMenuItem_Create(c, a, o); }
void* HOSTCALL MenuCreateVirtual(void* c, int8_t a, void* o) { return emu_Menus_TMenu_Create(c, a, o); }

const char* KeyName(uint8_t key, char* buffer) {
    if (key >= VK_F1 && key <= VK_F12) {
        wsprintfA(buffer, "F%d", key - VK_F1 + 1);
    } else if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) {
        buffer[0] = static_cast<char>(key), buffer[1] = 0;
    } else {
        wsprintfA(buffer, "#%d", key);
    }
    return buffer;
}

}  // namespace

void* FindItemByCommand(int32_t command) {
    for (const CommandEntry& e : gCommands)
        if (e.command == command) return e.item;
    return nullptr;
}

// The visible, enabled item with that shortcut in the tree below menuItem.
void* FindItemByShortCut(void* menuItem, uint16_t shortCut) {
    ListObject* items = item::Items(menuItem);
    for (int32_t i = 0; i < rt::Count(items); ++i) {
        void* mi = items->list[i];
        if (!item::Visible(mi) || !item::Enabled(mi)) continue;
        if (item::ShortCut(mi) == shortCut && rt::Count(item::Items(mi)) == 0) return mi;
        if (void* found = FindItemByShortCut(mi, shortCut)) return found;
    }
    return nullptr;
}

// Menus.ShortCutToText: "Shift+", "Ctrl+", "Alt+", then the key.
void ShortCutToText(uint16_t shortCut, char* text, int size) {
    char key[8];
    wsprintfA(text, "%s%s%s%s", (shortCut & vs::kScShift) ? "Shift+" : "", (shortCut & vs::kScCtrl) ? "Ctrl+" : "",
              (shortCut & vs::kScAlt) ? "Alt+" : "", KeyName(static_cast<uint8_t>(shortCut & 0xFF), key));
    text[size - 1] = 0;
}

HMENU BuildMenuHandle(void* menu) {
    HMENU bar = CreateMenu();
    AppendItems(bar, item::MenuItems(menu));
    return bar;
}

// Rebuilds the menu bar of the form that shows the menu holding menuItem.
void MenuChanged(void* menuItem) {
    void* menu = MenuOf(menuItem);
    if (!menu) return;
    void* form = component::Owner(menu);
    if (!form || !rt::IsClass(form, emu_Forms_TCustomForm_record.Ref()) || form::Menu(form) != menu) return;
    HWND hwnd = control::Handle(form);
    if (!hwnd) return;
    HMENU old = GetMenu(hwnd);
    SetMenu(hwnd, BuildMenuHandle(menu));
    if (old) DestroyMenu(old);
    DrawMenuBar(hwnd);
}

void UnlinkMenuItemAction(void* self) {
    void* action = item::Action(self);
    if (!action) return;
    if (ListObject* clients = action::Clients(action)) rt::ListRemove(clients, self);
    item::Action(self) = nullptr;
}

void InitMenusUnit() {
    using emuhost::DefineHostClass;
    using emuhost::SetVirtual;
    HostClass& mi = emu_Menus_TMenuItem_record;
    DefineHostClass(mi, kTMenuItem, L.menuItem.size, rt::TComponentClass(), vslot::kLoaded + 1, {L.menuItem.caption});
    SetVirtual(mi, vslot::kCreate, &MenuItemCreateVirtual);
    emuhost::SetDestructor(mi, &DestroyMenuItem);
    HostClass& menu = emu_Menus_TMenu_record;
    DefineHostClass(menu, kTMenu, L.menu.size, rt::TComponentClass(), vslot::kLoaded + 1);
    SetVirtual(menu, vslot::kCreate, &MenuCreateVirtual);
    DefineHostClass(emu_Menus_TMainMenu_record, kTMainMenu, L.menu.size, menu.Ref(), vslot::kLoaded + 1);
}

}  // namespace vcl

using namespace vcl;

EMUHOST_EXPORT_CLASS(Menus_TMenuItem);
EMUHOST_EXPORT_CLASS(Menus_TMenu);
EMUHOST_EXPORT_CLASS(Menus_TMainMenu);

extern "C" {
HostClass emu_Menus_TMenuItem_record, emu_Menus_TMenu_record, emu_Menus_TMainMenu_record;

VCL_ENTRY void* HOSTCALL emu_Menus_TMenuItem_Create(void* classOrSelf, int8_t allocate, void* owner) {
    void* self = rt::ClassCreate(classOrSelf, allocate);
    rt::ComponentCreate(self, 0, owner);
    item::Visible(self) = true;
    item::Enabled(self) = true;
    item::ImageIndex(self) = -1;
    item::Command(self) = gNextCommand++;
    gCommands.push_back({item::Command(self), self});
    if (allocate) rt::AfterConstruction(self);
    return self;
}

// TMenu.Create: the menu owns its root item.
VCL_ENTRY void* HOSTCALL emu_Menus_TMenu_Create(void* classOrSelf, int8_t allocate, void* owner) {
    void* self = rt::ClassCreate(classOrSelf, allocate);
    rt::ComponentCreate(self, 0, owner);
    item::MenuItems(self) = emu_Menus_TMenuItem_Create(emu_Menus_TMenuItem_record.Ref(), 1, self);
    if (allocate) rt::AfterConstruction(self);
    return self;
}

VCL_ENTRY void HOSTCALL emu_Menus_TMenuItem_Add(void* self, void* child) {
    if (item::Parent(child)) rt::Raise(rt::NewException(rt::ExceptionClass(), "Menu inserted twice"));
    if (!item::Items(self)) item::Items(self) = rt::NewList();
    rt::ListAdd(item::Items(self), child);
    item::Parent(child) = self;
    MenuChanged(self);
}

VCL_ENTRY void HOSTCALL emu_Menus_TMenuItem_SetCaption(void* self, const char* caption) {
    rt::LStrAsg(&item::Caption(self), caption);
    MenuChanged(self);
}

VCL_ENTRY void HOSTCALL emu_Menus_TMenuItem_SetVisible(void* self, bool visible) {
    if (item::Visible(self) == visible) return;
    item::Visible(self) = visible;
    MenuChanged(self);
}

VCL_ENTRY void HOSTCALL emu_Menus_TMenuItem_SetShortCut(void* self, uint16_t shortCut) {
    if (item::ShortCut(self) == shortCut) return;
    item::ShortCut(self) = shortCut;
    MenuChanged(self);
}

VCL_ENTRY void HOSTCALL emu_Menus_TMenuItem_SetImageIndex(void* self, int32_t index) { item::ImageIndex(self) = index; }

VCL_ENTRY void* HOSTCALL emu_Menus_TMenuItem_GetAction(void* self) { return item::Action(self); }

// Linking an action: the item takes the action's caption, visibility,
// shortcut and image, and follows later changes of them.
VCL_ENTRY void HOSTCALL emu_Menus_TMenuItem_SetAction(void* self, void* action) {
    UnlinkMenuItemAction(self);
    if (!action) return;
    item::Action(self) = action;
    if (!action::Clients(action)) action::Clients(action) = rt::NewList();
    rt::ListAdd(action::Clients(action), self);
    if (action::Caption(action)) rt::LStrAsg(&item::Caption(self), action::Caption(action));
    item::Visible(self) = action::Visible(action);
    item::ShortCut(self) = action::ShortCut(action);
    item::ImageIndex(self) = action::ImageIndex(action);
    MenuChanged(self);
}

// TMenuItem.Click: its own click handler, else its action.
VCL_ENTRY void HOSTCALL emu_Menus_TMenuItem_Click(void* self) {
    if (!item::Enabled(self)) return;
    if (item::OnClick(self).code) {
        Notify(item::OnClick(self), self);
    } else if (void* action = item::Action(self)) {
        emuhost::VirtualOf<bool(HOSTCALL*)(void*)>(action, emuhost::vslot::kExecute)(action);
    }
}

VCL_ENTRY int32_t HOSTCALL emu_Menus_TMenuItem_GetCount(void* self) { return rt::Count(item::Items(self)); }

VCL_ENTRY void* HOSTCALL emu_Menus_TMenuItem_GetItem(void* self, int32_t index) {
    ListObject* items = item::Items(self);
    if (index < 0 || index >= rt::Count(items)) rt::Raise(rt::NewException(rt::ExceptionClass(), "List index out of bounds"));
    return items->list[index];
}
}
