// ActnList: TCustomActionList (the actions the application updates when it
// is idle), TContainedAction and TCustomAction (caption, visibility and
// shortcut, passed on to the menu items linked to the action).
#include "Vcl.h"

namespace vcl {

namespace {

using emuhost::HostClass;
namespace vslot = emuhost::vslot;

const unsigned char kTCustomActionList[] = "\x11TCustomActionList";
const unsigned char kTActionList[] = "\x0BTActionList";
const unsigned char kTContainedAction[] = "\x10TContainedAction";
const unsigned char kTCustomAction[] = "\x0DTCustomAction";
const unsigned char kTAction[] = "\x07TAction";

HostClass gContainedAction;

template <class Fn>
void ForEachClient(void* action, Fn fn) {
    ListObject* clients = action::Clients(action);
    for (int32_t i = 0; i < rt::Count(clients); ++i) fn(clients->list[i]);
}

void HOSTCALL DestroyAction(void* self, int8_t outermost) {
    rt::BeforeDestruction(self, outermost);
    while (rt::Count(action::Clients(self)) > 0) UnlinkMenuItemAction(action::Clients(self)->list[0]);
    emu_Actnlist_TContainedAction_SetActionList(self, nullptr);
    rt::InheritedDestroy(rt::TBasicActionClass(), self);
    if (outermost) rt::ClassDestroy(self);
}

// The list frees the actions still in it.
void HOSTCALL DestroyActionList(void* self, int8_t outermost) {
    rt::BeforeDestruction(self, outermost);
    while (ListObject* actions = action::Actions(self)) {
        if (actions->count == 0) {
            rt::Free(actions);
            action::Actions(self) = nullptr;
            break;
        }
        rt::Free(actions->list[actions->count - 1]);
    }
    rt::InheritedDestroy(rt::TComponentClass(), self);
    if (outermost) rt::ClassDestroy(self);
}

void* HOSTCALL ActionCreateVirtual(void* c, int8_t a, void* o) { return emu_Actnlist_TCustomAction_Create(c, a, o); }
void* HOSTCALL ActionListCreateVirtual(void* c, int8_t a, void* o) {
    return emu_Actnlist_TCustomActionList_Create(c, a, o);
}

}  // namespace

// What the application does for a form when it is idle: each action of the
// form's action lists is asked to update itself.
void UpdateActionsOf(void* form) {
    ListObject* components = component::Components(form);
    for (int32_t i = 0; i < rt::Count(components); ++i) {
        void* list = components->list[i];
        if (!rt::IsClass(list, emu_Actnlist_TCustomActionList_record.Ref())) continue;
        ListObject* actions = action::Actions(list);
        for (int32_t k = 0; k < rt::Count(actions); ++k)
            emuhost::VirtualOf<bool(HOSTCALL*)(void*)>(actions->list[k], vslot::kUpdate)(actions->list[k]);
    }
}

void InitActionsUnit() {
    using emuhost::DefineHostClass;
    using emuhost::SetVirtual;
    constexpr int basicAction = vslot::kExecute + 1;
    HostClass& list = emu_Actnlist_TCustomActionList_record;
    DefineHostClass(list, kTCustomActionList, L.customActionList.size, rt::TComponentClass(), vslot::kLoaded + 1);
    SetVirtual(list, vslot::kCreate, &ActionListCreateVirtual);
    emuhost::SetDestructor(list, &DestroyActionList);
    DefineHostClass(emu_Actnlist_TActionList_record, kTActionList, L.customActionList.size, list.Ref(),
                    vslot::kLoaded + 1);

    DefineHostClass(gContainedAction, kTContainedAction, L.containedAction.size, rt::TBasicActionClass(), basicAction);
    HostClass& custom = emu_Actnlist_TCustomAction_record;
    DefineHostClass(custom, kTCustomAction, L.customAction.size, gContainedAction.Ref(), basicAction,
                    {L.customAction.caption});
    SetVirtual(custom, vslot::kCreate, &ActionCreateVirtual);
    emuhost::SetDestructor(custom, &DestroyAction);
    DefineHostClass(emu_Actnlist_TAction_record, kTAction, L.customAction.size, custom.Ref(), basicAction);
}

}  // namespace vcl

using namespace vcl;

EMUHOST_EXPORT_CLASS(Actnlist_TCustomActionList);
EMUHOST_EXPORT_CLASS(Actnlist_TActionList);
EMUHOST_EXPORT_CLASS(Actnlist_TCustomAction);
EMUHOST_EXPORT_CLASS(Actnlist_TAction);

extern "C" {
HostClass emu_Actnlist_TCustomActionList_record, emu_Actnlist_TActionList_record, emu_Actnlist_TCustomAction_record,
    emu_Actnlist_TAction_record;

VCL_ENTRY void* HOSTCALL emu_Actnlist_TCustomActionList_Create(void* classOrSelf, int8_t allocate, void* owner) {
    void* self = rt::ClassCreate(classOrSelf, allocate);
    rt::ComponentCreate(self, 0, owner);
    action::Actions(self) = rt::NewList();
    if (allocate) rt::AfterConstruction(self);
    return self;
}

VCL_ENTRY void* HOSTCALL emu_Actnlist_TCustomAction_Create(void* classOrSelf, int8_t allocate, void* owner) {
    void* self = rt::ClassCreate(classOrSelf, allocate);
    rt::ComponentCreate(self, 0, owner);
    action::Enabled(self) = true;
    action::Visible(self) = true;
    action::ImageIndex(self) = -1;
    if (allocate) rt::AfterConstruction(self);
    return self;
}

VCL_ENTRY void HOSTCALL emu_Actnlist_TContainedAction_SetActionList(void* self, void* list) {
    void*& current = action::ActionList(self);
    if (current == list) return;
    if (current && action::Actions(current)) rt::ListRemove(action::Actions(current), self);
    current = list;
    if (list) rt::ListAdd(action::Actions(list), self);
}

VCL_ENTRY void HOSTCALL emu_Actnlist_TCustomAction_SetCaption(void* self, const char* caption) {
    rt::LStrAsg(&action::Caption(self), caption);
    ForEachClient(self, [&](void* mi) { emu_Menus_TMenuItem_SetCaption(mi, caption); });
}

VCL_ENTRY void HOSTCALL emu_Actnlist_TCustomAction_SetVisible(void* self, bool visible) {
    action::Visible(self) = visible;
    ForEachClient(self, [&](void* mi) { emu_Menus_TMenuItem_SetVisible(mi, visible); });
}

VCL_ENTRY void HOSTCALL emu_Actnlist_TCustomAction_SetShortCut(void* self, uint16_t shortCut) {
    action::ShortCut(self) = shortCut;
    ForEachClient(self, [&](void* mi) { emu_Menus_TMenuItem_SetShortCut(mi, shortCut); });
}
}
