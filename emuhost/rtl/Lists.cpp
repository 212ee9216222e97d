// Classes.TList, Contnrs.TObjectList and Classes.TInterfaceList, written the
// way the host's Classes unit defines them: every change notifies through
// the virtual Notify, errors go through the class's virtual Error.
#include "EmuRuntime.h"

using hostabi::ListObject;
using hostabi::ObjectListObject;
namespace slot = hostabi::listslot;

namespace emurtl {

[[noreturn]] void HOSTCALL ListErrorText(const void*, const char* message, int32_t data);

namespace {

template <class Fn>
Fn Virtual(const void* self, int offset) {
    return *reinterpret_cast<Fn const*>(static_cast<const char*>(hostabi::ClassOf(self)) + offset);
}

void Notify(ListObject* self, void* item, uint8_t action) {
    Virtual<void(HOSTCALL*)(void*, void*, uint8_t)>(self, slot::kNotify)(self, item, action);
}
void Grow(ListObject* self) { Virtual<void(HOSTCALL*)(void*)>(self, slot::kGrow)(self); }

[[noreturn]] void IndexError(ListObject* self, int32_t index) {
    ListError(hostabi::ClassOf(self), &emu_Rtlconsts_SListIndexError, index);
}

}  // namespace

// TList.Error(Msg: PResStringRec; Data): the class's Error(string) with the
// loaded text; that one raises EListError with the text formatted with Data.
void HOSTCALL ListError(const void* classRef, const hostabi::ResStringRec* message, int32_t data) {
    char* text = nullptr;
    LoadResString(message, &text);
    auto error = *reinterpret_cast<void(HOSTCALL* const*)(const void*, const char*, int32_t)>(
        static_cast<const char*>(classRef) + slot::kError);
    error(classRef, text, data);
    ListErrorText(classRef, text, data);  // an override that returned: raise all the same
}

void HOSTCALL ListErrorText(const void*, const char* message, int32_t data) {
    hostabi::VarRec arg{};
    arg.vInteger = data;
    arg.vType = hostabi::vartype::kInteger;
    RaiseObject(ExceptionCreateFmt(ClassRef(emu_EListError_record), 1, message, 0, &arg));
}

void* HOSTCALL ListGet(ListObject* self, int32_t index) {
    if (index < 0 || index >= self->count) IndexError(self, index);
    return self->list[index];
}

void HOSTCALL ListSetCapacity(ListObject* self, int32_t capacity) {
    if (capacity < self->count || capacity > hostabi::kMaxListSize)
        ListError(hostabi::ClassOf(self), &emu_Rtlconsts_SListCapacityError, capacity);
    if (capacity != self->capacity) {
        void* block = self->list;
        ReallocMem(&block, capacity * 4);
        self->list = static_cast<void**>(block);
        self->capacity = capacity;
    }
}

void HOSTCALL ListGrow(ListObject* self) {
    const int32_t delta = self->capacity > 64 ? self->capacity / 4 : self->capacity > 8 ? 16 : 4;
    ListSetCapacity(self, self->capacity + delta);
}

int32_t HOSTCALL ListAdd(ListObject* self, void* item) {
    const int32_t index = self->count;
    if (index == self->capacity) Grow(self);
    self->list[index] = item;
    ++self->count;
    if (item) Notify(self, item, hostabi::kListAdded);
    return index;
}

void HOSTCALL ListInsert(ListObject* self, int32_t index, void* item) {
    if (index < 0 || index > self->count) IndexError(self, index);
    if (self->count == self->capacity) Grow(self);
    if (index < self->count) Move(&self->list[index], &self->list[index + 1], (self->count - index) * 4);
    self->list[index] = item;
    ++self->count;
    if (item) Notify(self, item, hostabi::kListAdded);
}

void HOSTCALL ListDelete(ListObject* self, int32_t index) {
    if (index < 0 || index >= self->count) IndexError(self, index);
    void* item = self->list[index];
    --self->count;
    if (index < self->count) Move(&self->list[index + 1], &self->list[index], (self->count - index) * 4);
    if (item) Notify(self, item, hostabi::kListDeleted);
}

void HOSTCALL ListPut(ListObject* self, int32_t index, void* item) {
    if (index < 0 || index >= self->count) IndexError(self, index);
    void* old = self->list[index];
    if (item == old) return;
    self->list[index] = item;
    if (old) Notify(self, old, hostabi::kListDeleted);
    if (item) Notify(self, item, hostabi::kListAdded);
}

int32_t HOSTCALL ListIndexOf(ListObject* self, void* item) {
    for (int32_t i = 0; i < self->count; ++i)
        if (self->list[i] == item) return i;
    return -1;
}

int32_t HOSTCALL ListRemove(ListObject* self, void* item) {
    const int32_t index = ListIndexOf(self, item);
    if (index >= 0) ListDelete(self, index);
    return index;
}

void* HOSTCALL ListExtract(ListObject* self, void* item) {
    const int32_t index = ListIndexOf(self, item);
    if (index < 0) return nullptr;
    self->list[index] = nullptr;
    ListDelete(self, index);
    Notify(self, item, hostabi::kListExtracted);
    return item;
}

void HOSTCALL ListSetCount(ListObject* self, int32_t count) {
    if (count < 0 || count > hostabi::kMaxListSize)
        ListError(hostabi::ClassOf(self), &emu_Rtlconsts_SListCountError, count);
    if (count > self->capacity) ListSetCapacity(self, count);
    if (count > self->count) {
        for (int32_t i = self->count; i < count; ++i) self->list[i] = nullptr;
    } else {
        for (int32_t i = self->count - 1; i >= count; --i) ListDelete(self, i);
    }
    self->count = count;
}

void HOSTCALL ListClear(ListObject* self) {
    ListSetCount(self, 0);
    ListSetCapacity(self, 0);
}

void* HOSTCALL ListFirst(ListObject* self) { return ListGet(self, 0); }

// The host's Last reports an empty list with the index 0.
void* HOSTCALL ListLast(ListObject* self) {
    if (self->count <= 0) IndexError(self, 0);
    return self->list[self->count - 1];
}

void HOSTCALL ListExchange(ListObject* self, int32_t index1, int32_t index2) {
    if (index1 < 0 || index1 >= self->count) IndexError(self, index1);
    if (index2 < 0 || index2 >= self->count) IndexError(self, index2);
    void* item = self->list[index1];
    self->list[index1] = self->list[index2];
    self->list[index2] = item;
}

void HOSTCALL ListPack(ListObject* self) {
    for (int32_t i = self->count - 1; i >= 0; --i)
        if (!self->list[i]) ListDelete(self, i);
}

void HOSTCALL ListNotify(ListObject*, void*, uint8_t) {}

void HOSTCALL ListDestroy(ListObject* self, int8_t outermost) {
    BeforeDestruction(self, outermost);
    Virtual<void(HOSTCALL*)(void*)>(self, slot::kClear)(self);
    if (outermost) ClassDestroy(self);
}

// TObjectList.Create(AOwnsObjects)
void* HOSTCALL ObjectListCreate(void* classOrSelf, int8_t allocate, bool ownsObjects) {
    auto* self = static_cast<ObjectListObject*>(ClassCreate(classOrSelf, allocate));
    self->ownsObjects = ownsObjects;
    if (allocate) AfterConstruction(self);
    return self;
}

extern "C" ClassRecord emu_TList_record;
extern "C" ClassRecord emu_TObjectList_record;
ClassRecord emu_TList_record;
ClassRecord emu_TObjectList_record;
extern "C" void HOSTCALL emu_Contnrs_TObjectList_Notify(void*, void*, uint8_t);  // ListNotify.S

void InitListClasses() {
    static const unsigned char kTList[] = "\x05TList";
    static const unsigned char kTObjectList[] = "\x0BTObjectList";
    ClassRecord& list = emu_TList_record;
    DefineClass(list, kTList, sizeof(ListObject), &emu_TObject_record, nullptr);
    list.header.destroy = reinterpret_cast<void*>(&ListDestroy);
    list.virtuals[0] = reinterpret_cast<void*>(&ListGrow);
    list.virtuals[1] = reinterpret_cast<void*>(&ListNotify);
    list.virtuals[2] = reinterpret_cast<void*>(&ListClear);
    list.virtuals[3] = reinterpret_cast<void*>(&ListErrorText);
    DefineClass(emu_TObjectList_record, kTObjectList, sizeof(ObjectListObject), &list, nullptr);
    emu_TObjectList_record.virtuals[1] = reinterpret_cast<void*>(&emu_Contnrs_TObjectList_Notify);
}

}  // namespace emurtl

__asm__(".globl _emu_Classes_TList\n\t.set _emu_Classes_TList, _emu_TList_record+76");
__asm__(".globl _emu_Contnrs_TObjectList\n\t.set _emu_Contnrs_TObjectList, _emu_TObjectList_record+76");

extern "C" {
using namespace emurtl;
void HOSTCALL emu_Classes_TList_Error(const void* c, const hostabi::ResStringRec* m, int32_t d) { ListError(c, m, d); }
void HOSTCALL emu_Classes_TList_ErrorText(const void* c, const char* m, int32_t d) { ListErrorText(c, m, d); }
void* HOSTCALL emu_Classes_TList_Get(ListObject* l, int32_t i) { return ListGet(l, i); }
void HOSTCALL emu_Classes_TList_Put(ListObject* l, int32_t i, void* p) { ListPut(l, i, p); }
void HOSTCALL emu_Classes_TList_Insert(ListObject* l, int32_t i, void* p) { ListInsert(l, i, p); }
int32_t HOSTCALL emu_Classes_TList_Add(ListObject* l, void* p) { return ListAdd(l, p); }
void HOSTCALL emu_Classes_TList_Delete(ListObject* l, int32_t i) { ListDelete(l, i); }
int32_t HOSTCALL emu_Classes_TList_IndexOf(ListObject* l, void* p) { return ListIndexOf(l, p); }
int32_t HOSTCALL emu_Classes_TList_Remove(ListObject* l, void* p) { return ListRemove(l, p); }
void* HOSTCALL emu_Classes_TList_Extract(ListObject* l, void* p) { return ListExtract(l, p); }
void HOSTCALL emu_Classes_TList_SetCount(ListObject* l, int32_t n) { ListSetCount(l, n); }
void HOSTCALL emu_Classes_TList_SetCapacity(ListObject* l, int32_t n) { ListSetCapacity(l, n); }
void HOSTCALL emu_Classes_TList_Grow(ListObject* l) { ListGrow(l); }
void HOSTCALL emu_Classes_TList_Clear(ListObject* l) { ListClear(l); }
void* HOSTCALL emu_Classes_TList_First(ListObject* l) { return ListFirst(l); }
void* HOSTCALL emu_Classes_TList_Last(ListObject* l) { return ListLast(l); }
void HOSTCALL emu_Classes_TList_Exchange(ListObject* l, int32_t a, int32_t b) { ListExchange(l, a, b); }
void HOSTCALL emu_Classes_TList_Pack(ListObject* l) { ListPack(l); }
void HOSTCALL emu_Classes_TList_Notify(ListObject* l, void* p, uint8_t a) { ListNotify(l, p, a); }
void HOSTCALL emu_Classes_TList_Destroy(ListObject* l, int8_t outermost) { ListDestroy(l, outermost); }

void* HOSTCALL emu_Contnrs_TObjectList_Create(void* c, int8_t a) { return ObjectListCreate(c, a, true); }
void* HOSTCALL emu_Contnrs_TObjectList_CreateOwning(void* c, int8_t a, bool owns) { return ObjectListCreate(c, a, owns); }
int32_t HOSTCALL emu_Contnrs_TObjectList_Add(ListObject* l, void* p) { return ListAdd(l, p); }
void* HOSTCALL emu_Contnrs_TObjectList_Extract(ListObject* l, void* p) { return ListExtract(l, p); }
void* HOSTCALL emu_Contnrs_TObjectList_First(ListObject* l) { return ListFirst(l); }
void* HOSTCALL emu_Contnrs_TObjectList_GetItem(ListObject* l, int32_t i) { return ListGet(l, i); }
int32_t HOSTCALL emu_Contnrs_TObjectList_IndexOf(ListObject* l, void* p) { return ListIndexOf(l, p); }
void HOSTCALL emu_Contnrs_TObjectList_Insert(ListObject* l, int32_t i, void* p) { ListInsert(l, i, p); }
void* HOSTCALL emu_Contnrs_TObjectList_Last(ListObject* l) { return ListLast(l); }
int32_t HOSTCALL emu_Contnrs_TObjectList_Remove(ListObject* l, void* p) { return ListRemove(l, p); }
void HOSTCALL emu_Contnrs_TObjectList_SetItem(ListObject* l, int32_t i, void* p) { ListPut(l, i, p); }
}
