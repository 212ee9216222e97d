// Classes.TPersistent and TComponent: a name, an owner that frees the
// components it owns, the component state, and the look-up by name.
#include "ClassesUnit.h"

using hostabi::ListObject;

namespace emuclasses {

namespace {

constexpr auto& L = kLayout.component;

char*& NameOf(void* c) { return FieldAt<char*>(c, L.name); }
void*& OwnerOf(void* c) { return FieldAt<void*>(c, L.owner); }
ListObject*& ComponentsOf(void* c) { return FieldAt<ListObject*>(c, L.components); }
uint16_t& StateOf(void* c) { return FieldAt<uint16_t>(c, L.componentState); }

void* NewList() { return emurtl::ObjectCreate(emurtl::ClassRef(emurtl::emu_TList_record), 1); }

// Raises the host's Exception with "<format before %s><name><after>".
[[noreturn]] void RaiseNamed(const char* format, const char* name) {
    hostabi::VarRec arg{};
    arg.vAnsiString = name;
    arg.vType = hostabi::vartype::kAnsiString;
    char* text = nullptr;
    emurtl::LStrFromPChar(&text, format);
    void* error = emurtl::ExceptionCreateFmt(emurtl::ClassRef(emurtl::emu_Exception_record), 1, text, 0, &arg);
    emurtl::LStrClr(&text);
    emurtl::RaiseObject(error);
}

const unsigned char kTPersistent[] = "\x0BTPersistent";
const unsigned char kTComponent[] = "\x0ATComponent";

}  // namespace

void InitComponentClasses() {
    using namespace emuhost;
    HostClass& persistent = emu_Classes_TPersistent_record;
    DefineHostClass(persistent, kTPersistent, 4, emurtl::ClassRef(emurtl::emu_TObject_record), 0);
    HostClass& component = emu_Classes_TComponent_record;
    DefineHostClass(component, kTComponent, L.size, persistent.Ref(), 0, {L.name});
    SetVirtual(component, vslot::kCreate, &emu_Classes_TComponent_Create);
    SetVirtual(component, vslot::kLoaded, &emu_Classes_TComponent_Loaded);
    SetDestructor(component, &emu_Classes_TComponent_Destroy);
}

}  // namespace emuclasses

EMUHOST_EXPORT_CLASS(Classes_TPersistent);
EMUHOST_EXPORT_CLASS(Classes_TComponent);

using namespace emuclasses;

extern "C" {

emuhost::HostClass emu_Classes_TPersistent_record;
emuhost::HostClass emu_Classes_TComponent_record;

void HOSTCALL emu_Classes_TComponent_InsertComponent(void* self, void* component) {
    if (!ComponentsOf(self)) ComponentsOf(self) = static_cast<ListObject*>(NewList());
    emurtl::ListAdd(ComponentsOf(self), component);
    OwnerOf(component) = self;
}

void HOSTCALL emu_Classes_TComponent_RemoveComponent(void* self, void* component) {
    OwnerOf(component) = nullptr;
    ListObject* list = ComponentsOf(self);
    if (!list) return;
    emu_Classes_TList_Remove(list, component);
    if (list->count == 0) {
        emurtl::ObjectFree(list);
        ComponentsOf(self) = nullptr;
    }
}

// TComponent.Create(AOwner): the owner takes the new component in.
void* HOSTCALL emu_Classes_TComponent_Create(void* classOrSelf, int8_t allocate, void* owner) {
    void* self = emurtl::ClassCreate(classOrSelf, allocate);
    if (owner) emu_Classes_TComponent_InsertComponent(owner, self);
    if (allocate) emurtl::AfterConstruction(self);
    return self;
}

// TComponent.Destroy: frees the owned components, the last first, and leaves
// the owner.
void HOSTCALL emu_Classes_TComponent_Destroy(void* self, int8_t outermost) {
    emurtl::BeforeDestruction(self, outermost);
    StateOf(self) |= hostabi::vcl::kCsDestroying;
    while (ListObject* list = ComponentsOf(self)) {
        void* last = list->list[list->count - 1];
        emu_Classes_TComponent_RemoveComponent(self, last);
        emurtl::ObjectFree(last);
    }
    if (void* owner = OwnerOf(self)) emu_Classes_TComponent_RemoveComponent(owner, self);
    if (outermost) emurtl::ClassDestroy(self);
}

// The owned component of that name (compared without regard to case).
void* HOSTCALL emu_Classes_TComponent_FindComponent(void* self, const char* name) {
    ListObject* list = ComponentsOf(self);
    if (!name || !list) return nullptr;
    for (int32_t i = 0; i < list->count; ++i) {
        void* c = list->list[i];
        if (emurtl::CompareText(NameOf(c), name) == 0) return c;
    }
    return nullptr;
}

// TComponent.SetName: another component of the same owner may not carry it.
void HOSTCALL emu_Classes_TComponent_SetName(void* self, const char* name) {
    if (emurtl::CompareText(NameOf(self), name) == 0) {
        emurtl::LStrAsg(&NameOf(self), name);
        return;
    }
    if (void* owner = OwnerOf(self); owner && name && emu_Classes_TComponent_FindComponent(owner, name))
        RaiseNamed("A component named %s already exists", name);
    emurtl::LStrAsg(&NameOf(self), name);
}

int32_t HOSTCALL emu_Classes_TComponent_GetComponentCount(void* self) {
    return ComponentsOf(self) ? ComponentsOf(self)->count : 0;
}

void* HOSTCALL emu_Classes_TComponent_GetComponent(void* self, int32_t index) {
    ListObject* list = ComponentsOf(self);
    if (!list) emurtl::ListError(emurtl::ClassRef(emurtl::emu_TList_record), &emurtl::emu_Rtlconsts_SListIndexError, index);
    return emurtl::ListGet(list, index);
}

// TComponent.Loaded: loading from a stored description has ended.
void HOSTCALL emu_Classes_TComponent_Loaded(void* self) { StateOf(self) &= ~hostabi::vcl::kCsLoading; }

}  // extern "C"
