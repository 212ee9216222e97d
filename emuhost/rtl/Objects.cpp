// TObject and the compiler's object helpers: instance creation and release
// the way the host runtime does it, with class records in the host's layout.
#include <windows.h>

#include "Bytes.h"
#include "EmuRuntime.h"

using hostabi::ClassHeader;

namespace emurtl {

using Method = void(HOSTCALL*)(void*);
using NewInstanceFn = void*(HOSTCALL*)(void*);
using DestroyFn = void(HOSTCALL*)(void*, int8_t);

static void HOSTCALL NoOperation(void*) {}

// Stores the class reference, zeroes the rest of the instance (whole words,
// then the odd bytes) and stores the method-table pointer of every interface
// the class chain implements.
void* HOSTCALL InitInstance(void* classRef, void* memory) {
    if (!memory) return nullptr;
    const int32_t size = Header(classRef).instanceSize;
    auto* words = static_cast<uint32_t*>(memory);
    words[0] = reinterpret_cast<uint32_t>(classRef);
    for (int32_t i = 1; i < size / 4; ++i) words[i] = 0;
    FillBytes(static_cast<char*>(memory) + (size & ~3), 0, size & 3);
    for (const void* c = classRef; c; c = hostabi::ParentOf(c)) {
        auto* table = static_cast<const hostabi::InterfaceTable*>(Header(c).intfTable);
        if (!table) continue;
        for (int32_t i = 0; i < table->entryCount; ++i)
            if (table->entries[i].vtable)
                *reinterpret_cast<void**>(static_cast<char*>(memory) + table->entries[i].ioffset) = table->entries[i].vtable;
    }
    return memory;
}

void* HOSTCALL NewInstance(void* classRef) { return InitInstance(classRef, GetMem(Header(classRef).instanceSize)); }

// Finalizes the managed fields each class of the chain declares.
void HOSTCALL CleanupInstance(void* self) {
    for (const void* c = hostabi::ClassOf(self); c; c = hostabi::ParentOf(c))
        if (const void* initTable = Header(c).initTable) FinalizeMany(self, initTable, 1);
}

void HOSTCALL FreeInstance(void* self) {
    CleanupInstance(self);
    FreeMem(self);
}

int32_t HOSTCALL InstanceSize(const void* classRef) { return Header(classRef).instanceSize; }
const void* HOSTCALL ClassParent(const void* classRef) { return hostabi::ParentOf(classRef); }

bool InheritsFrom(const void* classRef, const void* ancestor) {
    for (const void* c = classRef; c; c = hostabi::ParentOf(c))
        if (c == ancestor) return true;
    return false;
}

// The allocation step of a constructor: a new instance through the class's
// NewInstance when `allocate` is set, else the instance itself.
void* HOSTCALL ClassCreate(void* classOrSelf, int8_t allocate) {
    return allocate ? reinterpret_cast<NewInstanceFn>(Header(classOrSelf).newInstance)(classOrSelf) : classOrSelf;
}

void HOSTCALL ClassDestroy(void* self) { reinterpret_cast<Method>(Header(hostabi::ClassOf(self)).freeInstance)(self); }

void* HOSTCALL AfterConstruction(void* self) {
    reinterpret_cast<Method>(Header(hostabi::ClassOf(self)).afterConstruction)(self);
    return self;
}

void* HOSTCALL BeforeDestruction(void* self, int8_t outermost) {
    if (outermost > 0) reinterpret_cast<Method>(Header(hostabi::ClassOf(self)).beforeDestruction)(self);
    return self;
}

// TObject.Create: allocation, an empty body, AfterConstruction.
void* HOSTCALL ObjectCreate(void* classOrSelf, int8_t allocate) {
    void* self = ClassCreate(classOrSelf, allocate);
    if (allocate) AfterConstruction(self);
    return self;
}

// TObject.Destroy: an empty body between BeforeDestruction and the release
// of the instance through the class's FreeInstance (outermost call only).
void HOSTCALL ObjectDestroy(void* self, int8_t outermost) {
    BeforeDestruction(self, outermost);
    if (outermost) ClassDestroy(self);
}

void HOSTCALL ObjectFree(void* self) {
    if (self) reinterpret_cast<DestroyFn>(Header(hostabi::ClassOf(self)).destroy)(self, 1);
}

bool HOSTCALL IsClass(const void* instance, const void* classRef) {
    return instance && InheritsFrom(hostabi::ClassOf(instance), classRef);
}

void* HOSTCALL AsClass(void* instance, const void* classRef) {
    if (instance && !InheritsFrom(hostabi::ClassOf(instance), classRef)) RuntimeError(kInvalidCast);
    return instance;
}

// The code of dynamic method `index` of the class chain, nil when none.
void* FindDynamicMethod(const void* classRef, int16_t index) {
    for (const void* c = classRef; c; c = hostabi::ParentOf(c)) {
        auto* table = static_cast<const hostabi::DynamicTable*>(Header(c).dynamicTable);
        if (!table) continue;
        auto* code = reinterpret_cast<void* const*>(&table->indices[table->count]);
        for (int i = 0; i < table->count; ++i)
            if (table->indices[i] == index) return code[i];
    }
    return nullptr;
}

static const unsigned char kTObjectName[] = "\x07TObject";

extern "C" ClassRecord emu_TObject_record;
ClassRecord emu_TObject_record;

void DefineClass(ClassRecord& record, const unsigned char* name, int32_t instanceSize, ClassRecord* parent,
                 void* initTable) {
    ClassHeader& h = record.header;
    h.selfPtr = ClassRef(record);
    h.className = name;
    h.instanceSize = instanceSize;
    h.parent = parent ? &parent->header.selfPtr : nullptr;
    h.initTable = initTable;
    if (parent) {
        // A descendant inherits its parent's virtual methods until it overrides them.
        const ClassHeader& p = parent->header;
        h.afterConstruction = p.afterConstruction, h.beforeDestruction = p.beforeDestruction;
        h.newInstance = p.newInstance, h.freeInstance = p.freeInstance, h.destroy = p.destroy;
        h.safeCallException = p.safeCallException, h.dispatch = p.dispatch, h.defaultHandler = p.defaultHandler;
        for (int i = 0; i < 4; ++i) record.virtuals[i] = parent->virtuals[i];
        return;
    }
    h.afterConstruction = reinterpret_cast<void*>(&NoOperation);
    h.beforeDestruction = reinterpret_cast<void*>(&NoOperation);
    // The slots hold the exported entries themselves, as in the host, so
    // that code which recognizes TObject's routines by address finds them.
    h.newInstance = reinterpret_cast<void*>(&emu_System_TObject_NewInstance);
    h.freeInstance = reinterpret_cast<void*>(&emu_System_TObject_FreeInstance);
    h.destroy = reinterpret_cast<void*>(&emu_System_TObject_Destroy);
}

void InitObjectClasses() { DefineClass(emu_TObject_record, kTObjectName, 4, nullptr, nullptr); }

}  // namespace emurtl

// The exported class reference points just past the negative-offset fields.
__asm__(".globl _emu_System_TObject\n\t.set _emu_System_TObject, _emu_TObject_record+76");

extern "C" {
using namespace emurtl;
void HOSTCALL emu_System_TObject_Free(void* self) { ObjectFree(self); }
void* HOSTCALL emu_System_TObject_NewInstance(void* c) { return NewInstance(c); }
void HOSTCALL emu_System_TObject_FreeInstance(void* self) { FreeInstance(self); }
void* HOSTCALL emu_System_TObject_InitInstance(void* c, void* m) { return InitInstance(c, m); }
void HOSTCALL emu_System_TObject_CleanupInstance(void* self) { CleanupInstance(self); }
int32_t HOSTCALL emu_System_TObject_InstanceSize(const void* c) { return InstanceSize(c); }
const void* HOSTCALL emu_System_TObject_ClassParent(const void* c) { return ClassParent(c); }
void* HOSTCALL emu_System_TObject_Create(void* c, int8_t allocate) { return ObjectCreate(c, allocate); }
void HOSTCALL emu_System_TObject_Destroy(void* self, int8_t outermost) { ObjectDestroy(self, outermost); }
void* HOSTCALL emu_System_ClassCreate(void* c, int8_t allocate) { return ClassCreate(c, allocate); }
void HOSTCALL emu_System_ClassDestroy(void* self) { ClassDestroy(self); }
void* HOSTCALL emu_System_AfterConstruction(void* self) { return AfterConstruction(self); }
void* HOSTCALL emu_System_BeforeDestruction(void* self, int8_t outermost) { return BeforeDestruction(self, outermost); }
bool HOSTCALL emu_System_IsClass(const void* i, const void* c) { return IsClass(i, c); }
void* HOSTCALL emu_System_AsClass(void* i, const void* c) { return AsClass(i, c); }
// cdecl for DynamicMethods.S: the method's code, or the abstract error.
void* emurtl_DynamicMethod(const void* classRef, int32_t index) {
    void* code = FindDynamicMethod(classRef, static_cast<int16_t>(index));
    if (!code) AbstractError();
    return code;
}
}
