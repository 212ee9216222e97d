// Interfaces: TInterfacedObject (reference counted through IInterface),
// the interface look-up of an object (GetInterface), Supports and IntfCast.
#include <windows.h>

#include "EmuRuntime.h"

using hostabi::GuidRec;
using hostabi::InterfacedObject;
using hostabi::InterfaceEntry;

namespace emurtl {

namespace {

using QueryInterfaceFn = int32_t(__stdcall*)(void* self, const GuidRec* iid, void** result);
using RefFn = int32_t(__stdcall*)(void* self);

bool SameGuid(const GuidRec& a, const GuidRec& b) {
    const auto* x = reinterpret_cast<const uint32_t*>(&a);
    const auto* y = reinterpret_cast<const uint32_t*>(&b);
    return x[0] == y[0] && x[1] == y[1] && x[2] == y[2] && x[3] == y[3];
}

const InterfaceEntry* FindEntry(const void* classRef, const GuidRec& iid) {
    for (const void* c = classRef; c; c = hostabi::ParentOf(c)) {
        auto* table = static_cast<const hostabi::InterfaceTable*>(Header(c).intfTable);
        if (!table) continue;
        for (int32_t i = 0; i < table->entryCount; ++i)
            if (SameGuid(table->entries[i].iid, iid)) return &table->entries[i];
    }
    return nullptr;
}

InterfacedObject* SelfOf(void* intf) {
    return reinterpret_cast<InterfacedObject*>(static_cast<char*>(intf) - offsetof(InterfacedObject, intfVTable));
}

int32_t __stdcall InterfacedQueryInterface(void* intf, const GuidRec* iid, void** result) {
    return GetInterface(SelfOf(intf), *iid, result) ? S_OK : E_NOINTERFACE;
}
int32_t __stdcall InterfacedAddRef(void* intf) {
    return InterlockedIncrement(reinterpret_cast<volatile LONG*>(&SelfOf(intf)->refCount));
}
int32_t __stdcall InterfacedRelease(void* intf) {
    InterfacedObject* self = SelfOf(intf);
    const int32_t count = InterlockedDecrement(reinterpret_cast<volatile LONG*>(&self->refCount));
    if (count == 0) ObjectFree(self);
    return count;
}

void* const kInterfacedVTable[] = {reinterpret_cast<void*>(&InterfacedQueryInterface),
                                   reinterpret_cast<void*>(&InterfacedAddRef),
                                   reinterpret_cast<void*>(&InterfacedRelease)};

// IInterface = {00000000-0000-0000-C000-000000000046}
constexpr GuidRec kIInterface = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

hostabi::InterfaceTable kInterfacedTable = {
    1, {{kIInterface, const_cast<void**>(kInterfacedVTable), offsetof(InterfacedObject, intfVTable), 0}}};

void HOSTCALL InterfacedAfterConstruction(void* self) {
    InterlockedDecrement(reinterpret_cast<volatile LONG*>(&static_cast<InterfacedObject*>(self)->refCount));
}
void HOSTCALL InterfacedBeforeDestruction(void* self) {
    if (static_cast<InterfacedObject*>(self)->refCount != 0) RuntimeError(kInvalidPtr);
}

const unsigned char kInterfacedName[] = "\x10TInterfacedObject";

}  // namespace

extern "C" ClassRecord emu_TInterfacedObject_record;
ClassRecord emu_TInterfacedObject_record;

// TInterfacedObject.NewInstance: a new instance holding one reference, which
// AfterConstruction gives back.
void* HOSTCALL InterfacedNewInstance(void* classRef) {
    void* self = emu_System_TObject_NewInstance(classRef);  // inherited, through its entry
    static_cast<InterfacedObject*>(self)->refCount = 1;
    return self;
}

void InitInterfacedClasses() {
    ClassRecord& r = emu_TInterfacedObject_record;
    DefineClass(r, kInterfacedName, sizeof(InterfacedObject), &emu_TObject_record, nullptr);
    r.header.intfTable = &kInterfacedTable;
    r.header.newInstance = reinterpret_cast<void*>(&emu_System_TInterfacedObject_NewInstance);
    r.header.afterConstruction = reinterpret_cast<void*>(&InterfacedAfterConstruction);
    r.header.beforeDestruction = reinterpret_cast<void*>(&InterfacedBeforeDestruction);
}

// TObject.GetInterface: the interface of the object's class chain with that
// identifier, with one reference taken; nil and false when there is none.
bool GetInterface(void* self, const GuidRec& iid, void** result) {
    const InterfaceEntry* e = FindEntry(hostabi::ClassOf(self), iid);
    if (!e || !e->vtable) {
        *result = nullptr;
        return false;
    }
    void* intf = static_cast<char*>(self) + e->ioffset;
    *result = intf;
    (*reinterpret_cast<RefFn**>(intf))[1](intf);
    return true;
}

bool QueryInterface(void* intf, const GuidRec& iid, void** result) {
    *result = nullptr;
    return intf && (*reinterpret_cast<QueryInterfaceFn**>(intf))[0](intf, &iid, result) == S_OK;
}

void HOSTCALL IntfCast(void** dest, void* source, const GuidRec* iid) {
    if (!source) {
        IntfClear(dest);
        return;
    }
    void* found = nullptr;
    if (!QueryInterface(source, *iid, &found)) RuntimeError(kIntfCastError);
    void* old = *dest;
    *dest = found;
    if (old) IntfClear(&old);
}

}  // namespace emurtl

__asm__(".globl _emu_System_TInterfacedObject\n\t.set _emu_System_TInterfacedObject, _emu_TInterfacedObject_record+76");

extern "C" {
using namespace emurtl;
void* HOSTCALL emu_System_TInterfacedObject_NewInstance(void* c) { return InterfacedNewInstance(c); }
void HOSTCALL emu_System_IntfCast(void** d, void* s, const GuidRec* iid) { IntfCast(d, s, iid); }

// Supports(Instance: TObject; const IID; out Intf): Boolean
bool HOSTCALL emu_Sysutils_Supports_ObjectOut(void* instance, const GuidRec* iid, void** intf) {
    if (instance) return GetInterface(instance, *iid, intf);
    *intf = nullptr;
    return false;
}
bool HOSTCALL emu_Sysutils_Supports_Object(void* instance, const GuidRec* iid) {
    void* intf = nullptr;
    bool found = instance && GetInterface(instance, *iid, &intf);
    IntfClear(&intf);
    return found;
}
bool HOSTCALL emu_Sysutils_Supports_Class(const void* classRef, const GuidRec* iid) {
    return classRef && FindEntry(classRef, *iid) != nullptr;
}
bool HOSTCALL emu_Sysutils_Supports_InterfaceOut(void* instance, const GuidRec* iid, void** intf) {
    return QueryInterface(instance, *iid, intf);
}
bool HOSTCALL emu_Sysutils_Supports_Interface(void* instance, const GuidRec* iid) {
    void* intf = nullptr;
    bool found = QueryInterface(instance, *iid, &intf);
    IntfClear(&intf);
    return found;
}
}
