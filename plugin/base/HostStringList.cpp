#include "base/HostStringList.h"

#include <algorithm>

#include "base/StringHash.h"

namespace toravex {

namespace {

// Orders two zero-terminated texts ignoring ASCII case: below 0, 0, above 0.
int CompareTextAscii(const char* a, const char* b) {
    auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    for (;; ++a, ++b) {
        const int d = fold(static_cast<unsigned char>(*a)) - fold(static_cast<unsigned char>(*b));
        if (d != 0 || !*a) return d;
    }
}

}  // namespace

int32_t HostStringList::Add(const char* hostValue) { return Add(HostString::Share(hostValue)); }

int32_t HostStringList::Add(HostString text) {
    items_.push_back(static_cast<HostString&&>(text));
    return Count() - 1;
}

int32_t HostStringList::IndexOf(const char* text) const {
    for (int32_t i = 0; i < Count(); ++i)
        if (StringKeyCompare(items_[static_cast<size_t>(i)].Get(), text) == 0) return i;
    return -1;
}

int32_t HostStringList::IndexOfText(const char* text) const {
    for (int32_t i = 0; i < Count(); ++i)
        if (CompareTextAscii(items_[static_cast<size_t>(i)].CStr(), text ? text : "") == 0) return i;
    return -1;
}

void HostStringList::Delete(int32_t index) {
    if (index >= 0 && index < Count()) items_.erase(items_.begin() + index);
}

void HostStringList::Sort() {
    std::stable_sort(items_.begin(), items_.end(), [](const HostString& a, const HostString& b) {
        return CompareTextAscii(a.CStr(), b.CStr()) < 0;
    });
}

int32_t HostStringList::Find(const char* text) const {
    int32_t low = 0, high = Count() - 1;
    while (low <= high) {
        const int32_t middle = low + (high - low) / 2;
        const int d = CompareTextAscii(items_[static_cast<size_t>(middle)].CStr(), text ? text : "");
        if (d == 0) return middle;
        if (d < 0)
            low = middle + 1;
        else
            high = middle - 1;
    }
    return -1;
}

}  // namespace toravex
