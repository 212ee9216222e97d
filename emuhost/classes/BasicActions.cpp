// Classes.TBasicAction: a component with an execute and an update event,
// and the list of the clients (menu items ...) linked to it.
#include "ClassesUnit.h"

using hostabi::MethodRef;

namespace emuclasses {

namespace {

constexpr auto& L = kLayout.basicAction;

using NotifyEvent = void(HOSTCALL*)(void* data, void* sender);

// Calls the event at `offset` if one is assigned; whether one was.
bool Fire(void* self, int32_t offset) {
    const MethodRef& event = FieldAt<MethodRef>(self, offset);
    if (!event.code) return false;
    reinterpret_cast<NotifyEvent>(event.code)(event.data, self);
    return true;
}

const unsigned char kTBasicAction[] = "\x0CTBasicAction";

}  // namespace

}  // namespace emuclasses

EMUHOST_EXPORT_CLASS(Classes_TBasicAction);

using namespace emuclasses;

extern "C" {

emuhost::HostClass emu_Classes_TBasicAction_record;

// TBasicAction.Update: runs OnUpdate; whether one is assigned.
bool HOSTCALL emu_Classes_TBasicAction_Update(void* self) { return Fire(self, L.onUpdate); }

// TBasicAction.Execute: runs OnExecute; whether one is assigned.
bool HOSTCALL emu_Classes_TBasicAction_Execute(void* self) { return Fire(self, L.onExecute); }

// TBasicAction.Destroy: its client list goes with it.
void HOSTCALL BasicActionDestroy(void* self, int8_t outermost) {
    emurtl::BeforeDestruction(self, outermost);
    if (void*& clients = FieldAt<void*>(self, L.clients)) {
        emurtl::ObjectFree(clients);
        clients = nullptr;
    }
    emu_Classes_TComponent_Destroy(self, 0);
    if (outermost) emurtl::ClassDestroy(self);
}

}  // extern "C"

void emuclasses::InitBasicActionClass() {
    using namespace emuhost;
    HostClass& c = emu_Classes_TBasicAction_record;
    DefineHostClass(c, kTBasicAction, L.size, emu_Classes_TComponent_record.Ref(), kComponentVirtuals);
    SetVirtual(c, vslot::kUpdate, &emu_Classes_TBasicAction_Update);
    SetVirtual(c, vslot::kExecute, &emu_Classes_TBasicAction_Execute);
    SetDestructor(c, &BasicActionDestroy);
}
