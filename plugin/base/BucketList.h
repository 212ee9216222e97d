// Pointer-keyed hash tables: 4096 buckets of singly linked chains, new
// entries pushed at the head, records from the host's memory manager. The
// bucket of a key is a plain bit selection, overridable per class.
// Not thread-safe: one thread at a time.
#pragma once

#include <cstdint>

#include "base/ContainerMemory.h"
#include "base/StringHash.h"

namespace toravex {

struct TBucketItem {
    void* Item;  // the key
    void* Data;  // the value
    TBucketItem* Next;
};
static_assert(sizeof(TBucketItem) == 12);

// Called by ForEach for every entry. continueWalk keeps its value between
// calls: the walk stops right after a call that leaves it false.
using BucketProc = void (*)(void* info, void* item, void* data, bool& continueWalk);

class TCustomBucketList {
public:
    // sizeCode is accepted for the callers' sake; there are always 4096 buckets.
    explicit TCustomBucketList(int32_t sizeCode = 3);
    virtual ~TCustomBucketList();
    TCustomBucketList(const TCustomBucketList&) = delete;
    TCustomBucketList& operator=(const TCustomBucketList&) = delete;

    // The chain of a key: its low 12 bits.
    virtual int32_t BucketFor(const void* item) const;
    // Frees every entry.
    virtual void Clear();

    // Pushes (item, data) at the head of its chain; returns data.
    void* Add(void* item, void* data);
    bool Exists(const void* item) const;
    // The data of the most recent entry of item; nil and false on a miss.
    bool Find(const void* item, void*& data) const;
    // Unlinks the most recent entry of item and returns its data; nil when absent.
    void* Remove(const void* item);
    // Calls proc for every entry, buckets 0 to 4095, each chain from its head;
    // proc may remove the entry it is given. Returns the last continueWalk,
    // false for an empty list.
    bool ForEach(BucketProc proc, void* info);

    int32_t Count() const { return count_; }

protected:
    TBucketItem* Lookup(const void* item) const;
    TBucketItem*& Chain(const void* item) { return buckets_[BucketFor(item) & kHashBucketMask]; }
    TBucketItem* const& Chain(const void* item) const { return buckets_[BucketFor(item) & kHashBucketMask]; }

    TBucketItem* buckets_[kHashBuckets] = {};
    int32_t count_ = 0;
    ContainerMemory memory_;
};

class TBucketList : public TCustomBucketList {
public:
    using TCustomBucketList::TCustomBucketList;
};

// Module handles are multiples of 64 KiB: bucketed by bits 16 to 27.
class TModuleBucketList : public TBucketList {
public:
    using TBucketList::TBucketList;
    int32_t BucketFor(const void* item) const override;
};

}  // namespace toravex
