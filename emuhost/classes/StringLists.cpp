// Classes.TStringList: strings, each with an object, in the order added;
// look-ups compare without regard to case, as the host's default does.
#include "ClassesUnit.h"

namespace emuclasses {

namespace {

constexpr auto& L = kLayout.stringList;

struct StringItem {
    char* text;
    void* object;
};

StringItem*& ItemsOf(void* self) { return FieldAt<StringItem*>(self, L.list); }
int32_t& CountOf(void* self) { return FieldAt<int32_t>(self, L.count); }
int32_t& CapacityOf(void* self) { return FieldAt<int32_t>(self, L.capacity); }

void CheckIndex(void* self, int32_t index) {
    if (index < 0 || index >= CountOf(self))
        emurtl::ListError(hostabi::ClassOf(self), &emurtl::emu_Rtlconsts_SListIndexError, index);
}

const unsigned char kTStringList[] = "\x0BTStringList";

}  // namespace

}  // namespace emuclasses

EMUHOST_EXPORT_CLASS(Classes_TStringList);

using namespace emuclasses;

extern "C" {

emuhost::HostClass emu_Classes_TStringList_record;

int32_t HOSTCALL emu_Classes_TStringList_AddObject(void* self, const char* text, void* object) {
    if (CountOf(self) == CapacityOf(self)) {
        const int32_t capacity = CapacityOf(self) > 64 ? CapacityOf(self) * 5 / 4 : CapacityOf(self) + 16;
        void* block = ItemsOf(self);
        emurtl::ReallocMem(&block, capacity * static_cast<int32_t>(sizeof(StringItem)));
        ItemsOf(self) = static_cast<StringItem*>(block);
        CapacityOf(self) = capacity;
    }
    StringItem& item = ItemsOf(self)[CountOf(self)];
    item = {nullptr, object};
    emurtl::LStrAsg(&item.text, text);
    return CountOf(self)++;
}

int32_t HOSTCALL emu_Classes_TStringList_Add(void* self, const char* text) {
    return emu_Classes_TStringList_AddObject(self, text, nullptr);
}

void HOSTCALL emu_Classes_TStringList_Get(void* self, int32_t index, char** result) {
    CheckIndex(self, index);
    emurtl::LStrAsg(result, ItemsOf(self)[index].text);
}

void* HOSTCALL emu_Classes_TStringList_GetObject(void* self, int32_t index) {
    CheckIndex(self, index);
    return ItemsOf(self)[index].object;
}

int32_t HOSTCALL emu_Classes_TStringList_GetCount(void* self) { return CountOf(self); }

int32_t HOSTCALL emu_Classes_TStringList_IndexOf(void* self, const char* text) {
    for (int32_t i = 0; i < CountOf(self); ++i)
        if (emurtl::CompareText(ItemsOf(self)[i].text, text) == 0) return i;
    return -1;
}

void HOSTCALL emu_Classes_TStringList_Delete(void* self, int32_t index) {
    CheckIndex(self, index);
    StringItem* items = ItemsOf(self);
    emurtl::LStrClr(&items[index].text);
    for (int32_t i = index; i + 1 < CountOf(self); ++i) items[i] = items[i + 1];
    --CountOf(self);
}

void HOSTCALL emu_Classes_TStringList_Clear(void* self) {
    for (int32_t i = 0; i < CountOf(self); ++i) emurtl::LStrClr(&ItemsOf(self)[i].text);
    CountOf(self) = 0;
}

void HOSTCALL emu_Classes_TStringList_Destroy(void* self, int8_t outermost) {
    emurtl::BeforeDestruction(self, outermost);
    emu_Classes_TStringList_Clear(self);
    emurtl::FreeMem(ItemsOf(self));
    ItemsOf(self) = nullptr;
    CapacityOf(self) = 0;
    if (outermost) emurtl::ClassDestroy(self);
}

}  // extern "C"

void emuclasses::InitStringListClass() {
    using namespace emuhost;
    HostClass& c = emu_Classes_TStringList_record;
    DefineHostClass(c, kTStringList, L.size, emu_Classes_TPersistent_record.Ref(), 0);
    SetDestructor(c, &emu_Classes_TStringList_Destroy);
}
