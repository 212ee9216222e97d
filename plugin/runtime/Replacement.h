// A replacement routine as a patch table names it, read at installation: a
// routine of the plug-in, a slot of the routine table (nil when the build
// leaves that routine to the host), or bytes of code.
#pragma once

#include <cstddef>
#include <cstdint>

namespace toravex {

struct Replacement {
    const void* routine = nullptr;
    const void* slot = nullptr;
    void* (*readSlot)(const void* slot) = nullptr;
    size_t codeSize = 0;
    void* Get() const { return slot ? readSlot(slot) : const_cast<void*>(routine); }
};

template <class F>
Replacement Routine(F* routine) {
    return {reinterpret_cast<const void*>(routine)};
}
template <class F>
Replacement SlotOf(F* const& slot) {
    return {nullptr, &slot, [](const void* p) { return reinterpret_cast<void*>(*static_cast<F* const*>(p)); }};
}
template <size_t N>
Replacement Code(const uint8_t (&bytes)[N]) {
    return {bytes, nullptr, nullptr, N};
}

}  // namespace toravex
