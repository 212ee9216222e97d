// An ordered list of host long strings, where the host would use a
// TStringList: the names a module imports, the packages expected to load,
// the tokens of a command line.
#pragma once

#include <cstdint>
#include <vector>

#include "base/HostString.h"

namespace toravex {

class HostStringList {
public:
    // Appends a copy of a host long-string value; returns its index.
    int32_t Add(const char* hostValue);
    int32_t Add(HostString text);
    // The index of the first string equal to text (exact comparison), or -1.
    int32_t IndexOf(const char* text) const;
    // The index of the first string equal to text ignoring ASCII case, or -1
    // (any zero-terminated text will do).
    int32_t IndexOfText(const char* text) const;
    void Delete(int32_t index);
    // Sorts ignoring ASCII case, as the host's string list sorts file names;
    // Find then searches by halves in the sorted list (index or -1).
    void Sort();
    int32_t Find(const char* text) const;
    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    const HostString& operator[](int32_t index) const { return items_[static_cast<size_t>(index)]; }
    void Clear() { items_.clear(); }

private:
    std::vector<HostString> items_;
};

}  // namespace toravex
