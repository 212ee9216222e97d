// Hash tables keyed by host long strings: 4096 buckets of singly linked
// chains, new entries pushed at the head, no rehashing. The first 4097
// records come from a pool inside the object; later ones from the host's
// memory manager. Add never looks for an existing key: callers look up first
// (hashing once and passing the bucket index to both calls) and add on a miss.
//
// Keys and string values are host long-string values: nil for the empty
// string, else the first character. Not thread-safe: one thread at a time.
#pragma once

#include <cstdint>

#include "HostCall.h"
#include "base/ContainerMemory.h"
#include "base/HostString.h"

namespace toravex {

constexpr int32_t kHashBuckets = 4096;
constexpr uint32_t kHashBucketMask = kHashBuckets - 1;  // the low 12 bits
constexpr int32_t kHashPoolRecords = 4097;

// Bucket index of a key: its length, plus for every byte up to the
// terminating zero twice the byte with its 4-bit halves swapped, cut to
// 12 bits. Nil yields 0; "abc" yields 231.
int32_t StringHash(const char* key);

// Key comparison: 0 when two keys are equal byte for byte and in length.
// The hashes compare through this pointer, so that it can be pointed at the
// processor-selected CompareStr once the routine table is filled.
using KeyCompare = int32_t(HOSTCALL*)(const char* a, const char* b);
extern KeyCompare StringKeyCompare;
int32_t HOSTCALL CompareKeysExactly(const char* a, const char* b);

template <class V>
struct StringHashItem {
    HostString Key;
    V Value;
    StringHashItem* Next;
};

// What the two string hashes share: buckets, pool, lookup.
template <class V>
class StringKeyedHash {
public:
    using Item = StringHashItem<V>;

    StringKeyedHash() = default;
    StringKeyedHash(const StringKeyedHash&) = delete;
    StringKeyedHash& operator=(const StringKeyedHash&) = delete;

    bool Exists(int32_t index, const char* key) const { return Lookup(index, key) != nullptr; }
    int32_t Count() const { return count_; }
    int32_t PoolUsed() const { return poolUsed_; }

protected:
    ~StringKeyedHash() { ReleaseAll(); }

    Item* Lookup(int32_t index, const char* key) const;
    Item* Push(int32_t index, const char* key);
    bool FromPool(const Item* item) const { return item >= pool_ && item < pool_ + kHashPoolRecords; }
    void Unlink(Item** link);
    // Frees the heap records, empties the chains and releases the strings
    // of the pool records handed out.
    void ReleaseAll();

    Item* buckets_[kHashBuckets] = {};
    int32_t count_ = 0;
    Item pool_[kHashPoolRecords] = {};
    int32_t poolUsed_ = 0;
    ContainerMemory memory_;
};

// Host long string to 32-bit integer.
class TStringIntegerHash : public StringKeyedHash<int32_t> {
public:
    virtual ~TStringIntegerHash() = default;

    // Pushes (key, value) at the head of chain index; returns value.
    int32_t Add(int32_t index, const char* key, int32_t value);
    // The most recently added value of key; 0 and false on a miss.
    bool Find(int32_t index, const char* key, int32_t& value) const;
    // Unlinks the most recent entry of key and returns its value; 0 when
    // absent. A pool record is not handed out again before Clear.
    int32_t Remove(const char* key);
    // Removes every entry whose value equals value.
    void RemoveValue(int32_t value);
    // Empties the hash; the pool is used again from its first record.
    virtual void Clear();
};

// Host long string to host long string. It has no removal.
class TStringStringHash : public StringKeyedHash<HostString> {
public:
    virtual ~TStringStringHash() = default;

    const char* Add(int32_t index, const char* key, const char* value);
    // On a hit assigns the stored value; on a miss value is emptied.
    bool Find(int32_t index, const char* key, HostString& value) const;
    // Empties the chains. Pool records are not handed out again.
    virtual void Clear();
};

}  // namespace toravex
