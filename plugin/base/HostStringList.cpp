#include "base/HostStringList.h"

#include "base/StringHash.h"

namespace toravex {

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

}  // namespace toravex
