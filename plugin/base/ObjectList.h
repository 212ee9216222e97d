// A list that owns its objects, where the host would use a TObjectList that
// owns its items: deleting an entry or the list frees the objects, the
// newest first.
#pragma once

#include <cstdint>
#include <vector>

namespace toravex {

template <class T>
class OwningList {
public:
    OwningList() = default;
    OwningList(const OwningList&) = delete;
    OwningList& operator=(const OwningList&) = delete;
    virtual ~OwningList() { Clear(); }

    int32_t Add(T* item) {
        items_.push_back(item);
        return Count() - 1;
    }
    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    T* operator[](int32_t index) const { return items_[static_cast<size_t>(index)]; }
    void Delete(int32_t index) {
        T* item = items_[static_cast<size_t>(index)];
        items_.erase(items_.begin() + index);
        delete item;
    }
    void Clear() {
        while (!items_.empty()) Delete(Count() - 1);
    }

private:
    std::vector<T*> items_;
};

}  // namespace toravex
