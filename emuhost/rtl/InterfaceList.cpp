// Classes.TInterfaceList: a reference-counted list of interfaces, held in a
// TList guarded by a critical section (the host's TThreadList), each item
// holding one reference.
#include <windows.h>

#include "EmuRuntime.h"

using hostabi::ListObject;

namespace emurtl {

namespace {

struct ThreadList {
    ListObject* list;
    CRITICAL_SECTION lock;
};

struct InterfaceList {
    hostabi::InterfacedObject base;
    ThreadList* items;  // FList
};

// Runs f(list) with the list locked.
template <class F>
auto Locked(InterfaceList* self, F&& f) {
    struct Guard {
        CRITICAL_SECTION* lock;
        ~Guard() { LeaveCriticalSection(lock); }
    } guard{&self->items->lock};
    EnterCriticalSection(guard.lock);
    return f(self->items->list);
}

void CheckIndex(ListObject* list, int32_t index) {
    if (index < 0 || index >= list->count) ListError(hostabi::ClassOf(list), &emu_Rtlconsts_SListIndexError, index);
}

}  // namespace

void* HOSTCALL InterfaceListCreate(void* classOrSelf, int8_t allocate) {
    auto* self = static_cast<InterfaceList*>(ClassCreate(classOrSelf, allocate));
    self->items = static_cast<ThreadList*>(GetMem(sizeof(ThreadList)));
    InitializeCriticalSection(&self->items->lock);
    self->items->list = static_cast<ListObject*>(ObjectCreate(ClassRef(emu_TList_record), 1));
    if (allocate) AfterConstruction(self);
    return self;
}

void HOSTCALL InterfaceListClear(InterfaceList* self) {
    Locked(self, [](ListObject* list) {
        for (int32_t i = 0; i < list->count; ++i) IntfClear(&list->list[i]);
        ListClear(list);
        return 0;
    });
}

void HOSTCALL InterfaceListDestroy(InterfaceList* self, int8_t outermost) {
    BeforeDestruction(self, outermost);
    if (self->items) {
        InterfaceListClear(self);
        ObjectFree(self->items->list);
        DeleteCriticalSection(&self->items->lock);
        FreeMem(self->items);
        self->items = nullptr;
    }
    if (outermost) ClassDestroy(self);
}

int32_t HOSTCALL InterfaceListAdd(InterfaceList* self, void* item) {
    return Locked(self, [&](ListObject* list) {
        const int32_t index = ListAdd(list, nullptr);
        IntfCopy(&list->list[index], item);
        return index;
    });
}

void HOSTCALL InterfaceListGet(InterfaceList* self, int32_t index, void** result) {
    Locked(self, [&](ListObject* list) {
        CheckIndex(list, index);
        IntfCopy(result, list->list[index]);
        return 0;
    });
}

void HOSTCALL InterfaceListPut(InterfaceList* self, int32_t index, void* item) {
    Locked(self, [&](ListObject* list) {
        CheckIndex(list, index);
        IntfCopy(&list->list[index], item);
        return 0;
    });
}

void HOSTCALL InterfaceListDelete(InterfaceList* self, int32_t index) {
    Locked(self, [&](ListObject* list) {
        CheckIndex(list, index);
        IntfClear(&list->list[index]);
        ListDelete(list, index);
        return 0;
    });
}

int32_t HOSTCALL InterfaceListIndexOf(InterfaceList* self, void* item) {
    return Locked(self, [&](ListObject* list) {
        for (int32_t i = 0; i < list->count; ++i)
            if (list->list[i] == item) return i;
        return -1;
    });
}

void HOSTCALL InterfaceListInsert(InterfaceList* self, int32_t index, void* item) {
    Locked(self, [&](ListObject* list) {
        if (index < 0 || index > list->count) ListError(hostabi::ClassOf(list), &emu_Rtlconsts_SListIndexError, index);
        ListAdd(list, nullptr);
        for (int32_t i = list->count - 1; i > index; --i) list->list[i] = list->list[i - 1];
        list->list[index] = nullptr;
        IntfCopy(&list->list[index], item);
        return 0;
    });
}

int32_t HOSTCALL InterfaceListRemove(InterfaceList* self, void* item) {
    const int32_t index = InterfaceListIndexOf(self, item);
    if (index >= 0) InterfaceListDelete(self, index);
    return index;
}

int32_t HOSTCALL InterfaceListCount(InterfaceList* self) {
    return Locked(self, [](ListObject* list) { return list->count; });
}

extern "C" ClassRecord emu_TInterfaceList_record;
ClassRecord emu_TInterfaceList_record;

void InitInterfaceListClass() {
    static const unsigned char kName[] = "\x0ETInterfaceList";
    DefineClass(emu_TInterfaceList_record, kName, sizeof(InterfaceList), &emu_TInterfacedObject_record, nullptr);
    emu_TInterfaceList_record.header.destroy = reinterpret_cast<void*>(&InterfaceListDestroy);
}

}  // namespace emurtl

__asm__(".globl _emu_Classes_TInterfaceList\n\t.set _emu_Classes_TInterfaceList, _emu_TInterfaceList_record+76");

extern "C" {
using namespace emurtl;
void* HOSTCALL emu_Classes_TInterfaceList_Create(void* c, int8_t a) { return InterfaceListCreate(c, a); }
void HOSTCALL emu_Classes_TInterfaceList_Destroy(InterfaceList* l, int8_t o) { InterfaceListDestroy(l, o); }
int32_t HOSTCALL emu_Classes_TInterfaceList_Add(InterfaceList* l, void* i) { return InterfaceListAdd(l, i); }
void HOSTCALL emu_Classes_TInterfaceList_Clear(InterfaceList* l) { InterfaceListClear(l); }
void HOSTCALL emu_Classes_TInterfaceList_Delete(InterfaceList* l, int32_t i) { InterfaceListDelete(l, i); }
void HOSTCALL emu_Classes_TInterfaceList_First(InterfaceList* l, void** r) { InterfaceListGet(l, 0, r); }
void HOSTCALL emu_Classes_TInterfaceList_Get(InterfaceList* l, int32_t i, void** r) { InterfaceListGet(l, i, r); }
int32_t HOSTCALL emu_Classes_TInterfaceList_GetCount(InterfaceList* l) { return InterfaceListCount(l); }
int32_t HOSTCALL emu_Classes_TInterfaceList_IndexOf(InterfaceList* l, void* i) { return InterfaceListIndexOf(l, i); }
void HOSTCALL emu_Classes_TInterfaceList_Insert(InterfaceList* l, int32_t x, void* i) { InterfaceListInsert(l, x, i); }
void HOSTCALL emu_Classes_TInterfaceList_Last(InterfaceList* l, void** r) {
    InterfaceListGet(l, InterfaceListCount(l) - 1, r);
}
void HOSTCALL emu_Classes_TInterfaceList_Put(InterfaceList* l, int32_t x, void* i) { InterfaceListPut(l, x, i); }
int32_t HOSTCALL emu_Classes_TInterfaceList_Remove(InterfaceList* l, void* i) { return InterfaceListRemove(l, i); }
}
