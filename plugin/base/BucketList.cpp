#include "base/BucketList.h"

namespace toravex {

TCustomBucketList::TCustomBucketList(int32_t) {}

TCustomBucketList::~TCustomBucketList() { TCustomBucketList::Clear(); }

int32_t TCustomBucketList::BucketFor(const void* item) const {
    return static_cast<int32_t>(reinterpret_cast<uintptr_t>(item) & kHashBucketMask);
}

int32_t TModuleBucketList::BucketFor(const void* item) const {
    // Module handles are 64 KB aligned: their low 16 bits are always 0.
    return static_cast<int32_t>((reinterpret_cast<uintptr_t>(item) >> 16) & kHashBucketMask);
}

void TCustomBucketList::Clear() {
    for (TBucketItem*& head : buckets_) {
        while (TBucketItem* entry = head) {
            head = entry->Next;
            memory_.Release(entry);
        }
    }
    count_ = 0;
}

void* TCustomBucketList::Add(void* item, void* data) {
    auto* entry = static_cast<TBucketItem*>(memory_.Allocate(sizeof(TBucketItem)));
    TBucketItem*& head = Chain(item);
    *entry = {item, data, head};
    head = entry;
    ++count_;
    return data;
}

TBucketItem* TCustomBucketList::Lookup(const void* item) const {
    for (TBucketItem* entry = Chain(item); entry; entry = entry->Next)
        if (entry->Item == item) return entry;
    return nullptr;
}

bool TCustomBucketList::Exists(const void* item) const { return Lookup(item) != nullptr; }

bool TCustomBucketList::Find(const void* item, void*& data) const {
    const TBucketItem* entry = Lookup(item);
    data = entry ? entry->Data : nullptr;
    return entry != nullptr;
}

void* TCustomBucketList::Remove(const void* item) {
    for (TBucketItem** link = &Chain(item); *link; link = &(*link)->Next) {
        TBucketItem* entry = *link;
        if (entry->Item != item) continue;
        void* data = entry->Data;
        *link = entry->Next;
        memory_.Release(entry);
        --count_;
        return data;
    }
    return nullptr;
}

bool TCustomBucketList::ForEach(BucketProc proc, void* info) {
    bool continueWalk = false;
    for (TBucketItem* head : buckets_) {
        for (TBucketItem* entry = head; entry;) {
            TBucketItem* next = entry->Next;
            proc(info, entry->Item, entry->Data, continueWalk);
            if (!continueWalk) return false;
            entry = next;
        }
    }
    return continueWalk;
}

}  // namespace toravex
