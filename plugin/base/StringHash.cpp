#include "base/StringHash.h"

#include <new>

#include "HostLayout.h"

namespace toravex {

int32_t StringHash(const char* key) {
    if (!key) return 0;
    uint32_t h = static_cast<uint32_t>(hostabi::LengthOf(key));
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(key); *p; ++p)
        h += 2u * static_cast<uint8_t>((*p >> 4) | (*p << 4));
    return static_cast<int32_t>(h & kHashBucketMask);
}

int32_t HOSTCALL CompareKeysExactly(const char* a, const char* b) {
    if (a == b) return 0;
    const int32_t la = hostabi::LengthOf(a), lb = hostabi::LengthOf(b);
    const int32_t n = la < lb ? la : lb;
    for (int32_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]);
    return la - lb;
}

KeyCompare StringKeyCompare = &CompareKeysExactly;

namespace {
inline int32_t Bucket(int32_t index) { return index & (kHashBuckets - 1); }
}  // namespace

template <class V>
typename StringKeyedHash<V>::Item* StringKeyedHash<V>::Lookup(int32_t index, const char* key) const {
    for (Item* item = buckets_[Bucket(index)]; item; item = item->Next)
        if (StringKeyCompare(item->Key.Get(), key) == 0) return item;
    return nullptr;
}

template <class V>
typename StringKeyedHash<V>::Item* StringKeyedHash<V>::Push(int32_t index, const char* key) {
    Item* item;
    if (poolUsed_ < kHashPoolRecords)
        item = &pool_[poolUsed_++];
    else
        item = new (memory_.Allocate(sizeof(Item))) Item{};
    item->Key = HostString::Share(key);
    Item*& head = buckets_[Bucket(index)];
    item->Next = head;
    head = item;
    ++count_;
    return item;
}

template <class V>
void StringKeyedHash<V>::Unlink(Item** link) {
    Item* item = *link;
    *link = item->Next;
    --count_;
    if (FromPool(item)) {
        item->Key.Clear();  // abandoned until Clear; its key need not live on
        item->Value = V{};
    } else {
        item->~Item();
        memory_.Release(item);
    }
}

template <class V>
void StringKeyedHash<V>::ReleaseAll() {
    for (int32_t b = 0; b < kHashBuckets && count_ > 0; ++b) {
        while (buckets_[b]) Unlink(&buckets_[b]);
    }
    for (int32_t i = 0; i < poolUsed_; ++i) {
        pool_[i].Key.Clear();
        pool_[i].Value = V{};
    }
}

template class StringKeyedHash<int32_t>;
template class StringKeyedHash<HostString>;

// TStringIntegerHash

int32_t TStringIntegerHash::Add(int32_t index, const char* key, int32_t value) {
    Push(index, key)->Value = value;
    return value;
}

bool TStringIntegerHash::Find(int32_t index, const char* key, int32_t& value) const {
    const Item* item = Lookup(index, key);
    value = item ? item->Value : 0;
    return item != nullptr;
}

int32_t TStringIntegerHash::Remove(const char* key) {
    for (Item** link = &buckets_[StringHash(key)]; *link; link = &(*link)->Next) {
        if (StringKeyCompare((*link)->Key.Get(), key) != 0) continue;
        const int32_t value = (*link)->Value;
        Unlink(link);
        return value;
    }
    return 0;
}

void TStringIntegerHash::RemoveValue(int32_t value) {
    // Each matching entry is unlinked itself, so that with duplicate keys the
    // entry holding value goes, not the newest entry of the same key.
    for (int32_t b = 0; b < kHashBuckets; ++b) {
        Item** link = &buckets_[b];
        while (*link) {
            if ((*link)->Value == value)
                Unlink(link);
            else
                link = &(*link)->Next;
        }
    }
}

void TStringIntegerHash::Clear() {
    ReleaseAll();
    count_ = 0;
    poolUsed_ = 0;
}

// TStringStringHash

const char* TStringStringHash::Add(int32_t index, const char* key, const char* value) {
    Push(index, key)->Value = HostString::Share(value);
    return value;
}

bool TStringStringHash::Find(int32_t index, const char* key, HostString& value) const {
    const Item* item = Lookup(index, key);
    if (!item) {
        value.Clear();
        return false;
    }
    value = item->Value;
    return true;
}

void TStringStringHash::Clear() {
    ReleaseAll();
    count_ = 0;
}

}  // namespace toravex
