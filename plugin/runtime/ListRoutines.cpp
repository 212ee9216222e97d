#include "runtime/ListRoutines.h"

#include "base/HostRuntime.h"
#include "fastcode/FastMove.h"

namespace toravex {

namespace {

namespace slot = hostabi::listslot;

// What the list routines need of the host, found once.
struct ListHost {
    const void* listClass;  // TList itself
    void(HOSTCALL* error)(const void* classRef, const hostabi::ResStringRec* message, int32_t data);
    void(HOSTCALL* setCapacity)(ListObject* self, int32_t capacity);
    const hostabi::ResStringRec* indexError;
    const hostabi::ResStringRec* countError;
};

const ListHost& Host() {
    static ListHost host = [] {
        using namespace hostnames;
        HMODULE rtl = Runtime().module;
        ListHost h{};
        h.listClass = FindHostExport(rtl, Classes_TList);
        h.error = FindHostRoutine<decltype(h.error)>(rtl, Classes_TList_Error);
        h.setCapacity = FindHostRoutine<decltype(h.setCapacity)>(rtl, Classes_TList_SetCapacity);
        // The list messages moved from unit Consts to RTLConsts after build 50;
        // each build's host has one of the two names.
        auto message = [rtl](const HostName& newer, const HostName& older) {
            void* found = FindHostExport(rtl, newer);
            return static_cast<const hostabi::ResStringRec*>(found ? found : FindHostExport(rtl, older));
        };
        h.indexError = message(Rtlconsts_SListIndexError, Consts_SListIndexError);
        h.countError = message(Rtlconsts_SListCountError, Consts_SListCountError);
        return h;
    }();
    return host;
}

bool IsPlainList(const ListObject* self) { return self->classRef == Host().listClass; }

template <class Fn>
Fn Virtual(const ListObject* self, int offset) {
    return *reinterpret_cast<const Fn*>(static_cast<const char*>(self->classRef) + offset);
}

void Notify(ListObject* self, void* item, uint8_t action) {
    Virtual<void(HOSTCALL*)(ListObject*, void*, uint8_t)>(self, slot::kNotify)(self, item, action);
}

// The host raises its list exception through the list's own class; the
// call does not return.
[[noreturn]] void Fail(ListObject* self, const hostabi::ResStringRec* message, int32_t value) {
    Host().error(self->classRef, message, value);
    __builtin_trap();
}
[[noreturn]] void IndexError(ListObject* self, int32_t index) { Fail(self, Host().indexError, index); }

void MoveItems(void** from, void** to, int32_t count) {
    MoveRoutine move = MoveSlot ? MoveSlot : &MoveGeneric;
    move(from, to, count * 4);
}

bool OutOfRange(int32_t index, int32_t count) { return static_cast<uint32_t>(index) >= static_cast<uint32_t>(count); }

void Delete(ListObject* self, int32_t index) {
    if (OutOfRange(index, self->count)) IndexError(self, index);
    void* item = self->list[index];
    --self->count;
    if (index < self->count) MoveItems(&self->list[index + 1], &self->list[index], self->count - index);
    if (item && !IsPlainList(self)) Notify(self, item, hostabi::kListDeleted);
}

}  // namespace

void* HOSTCALL ListGetFast(ListObject* self, int32_t index) {
    if (OutOfRange(index, self->count)) IndexError(self, index);
    return self->list[index];
}

int32_t HOSTCALL ListIndexOfFast(ListObject* self, void* item) {
    void** items = self->list;
    const int32_t count = self->count;
    for (int32_t i = 0; i < count; ++i)
        if (items[i] == item) return i;
    return -1;
}

void HOSTCALL ListSetCountFast(ListObject* self, int32_t newCount) {
    if (static_cast<uint32_t>(newCount) > static_cast<uint32_t>(hostabi::kMaxListSize))
        Fail(self, Host().countError, newCount);
    if (newCount > self->capacity) {
        Host().setCapacity(self, newCount);
        for (int32_t i = self->count; i < newCount; ++i) self->list[i] = nullptr;
    } else if (newCount > self->count) {
        for (int32_t i = self->count; i < newCount; ++i) self->list[i] = nullptr;
    } else if (!IsPlainList(self)) {
        for (int32_t i = self->count - 1; i >= newCount; --i) Delete(self, i);
    }
    self->count = newCount;
}

void HOSTCALL ListPutFast(ListObject* self, int32_t index, void* item) {
    if (OutOfRange(index, self->count)) IndexError(self, index);
    void* old = self->list[index];
    if (item == old) return;
    self->list[index] = item;
    if (IsPlainList(self)) return;
    if (old) Notify(self, old, hostabi::kListDeleted);
    if (item) Notify(self, item, hostabi::kListAdded);
}

void HOSTCALL ListInsertFast(ListObject* self, int32_t index, void* item) {
    if (static_cast<uint32_t>(index) > static_cast<uint32_t>(self->count)) IndexError(self, index);
    if (self->count == self->capacity) Virtual<void(HOSTCALL*)(ListObject*)>(self, slot::kGrow)(self);
    if (index < self->count) MoveItems(&self->list[index], &self->list[index + 1], self->count - index);
    self->list[index] = item;
    ++self->count;
    if (item && !IsPlainList(self)) Notify(self, item, hostabi::kListAdded);
}

void* HOSTCALL ListLastFast(ListObject* self) {
    if (self->count <= 0) IndexError(self, 0);
    return self->list[self->count - 1];
}

void HOSTCALL ListExchangeFast(ListObject* self, int32_t index1, int32_t index2) {
    if (OutOfRange(index1, self->count)) IndexError(self, index1);
    if (OutOfRange(index2, self->count)) IndexError(self, index2);
    void* item = self->list[index1];
    self->list[index1] = self->list[index2];
    self->list[index2] = item;
}

}  // namespace toravex
