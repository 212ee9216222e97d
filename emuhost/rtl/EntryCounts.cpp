// How often each exported routine of the emulated runtime was entered
// through its export (EntryCounters.cmake). An export of the emulated host
// only, for tests: the host runtime has no such thing.
#include <windows.h>

#include <cstdint>

extern "C" {
extern volatile LONG emu_entry_counts[];
extern const char* const emu_entry_names[];
}

namespace {

bool SameName(const char* a, const char* b) {
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
}

}  // namespace

// The entries counted so far for the routine exported as `decoratedName`;
// -1 when its entry is not counted.
extern "C" int32_t emu_EntryCount(const char* decoratedName) {
    if (!decoratedName) return -1;
    for (int i = 0; emu_entry_names[i]; ++i)
        if (SameName(emu_entry_names[i], decoratedName)) return emu_entry_counts[i];
    return -1;
}
