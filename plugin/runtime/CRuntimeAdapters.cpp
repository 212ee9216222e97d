#include "runtime/CRuntimeAdapters.h"

#include <iterator>

#include "fastcode/FastMove.h"
#include "fastcode/Fastcode.h"
#include "patching/ImportFilter.h"
#include "patching/LoadedModules.h"
#include "patching/Redirect.h"
#include "patching/ReplacementMap.h"
#include "runtime/Replacement.h"

namespace toravex {

// FillChar takes (Dest, Count, Value); the result is the destination.
void* __cdecl CrtMemset(void* dest, int value, size_t count) {
    Slots.FillChar(dest, static_cast<int32_t>(count), static_cast<char>(value));
    return dest;
}

// Move takes (Source, Dest, Count).
void* __cdecl CrtMemmove(void* dest, const void* source, size_t count) {
    MoveSlot(source, dest, static_cast<int32_t>(count));
    return dest;
}

int __cdecl CrtStrcmp(const char* a, const char* b) { return Slots.StrComp(a, b); }
int __cdecl CrtStricmp(const char* a, const char* b) { return Slots.StrIComp(a, b); }
size_t __cdecl CrtStrlen(const char* s) { return static_cast<size_t>(Slots.StrLen(s)); }

namespace {

// Each adapter with the slot it calls: an adapter whose slot the build does
// not fill (no StrIComp in build 50) is not installed.
struct Adapter {
    const char* exportName;
    const void* adapter;
    Replacement calls;
};

const Adapter kAdapters[] = {
    {"memset", reinterpret_cast<const void*>(&CrtMemset), SlotOf(Slots.FillChar)},
    {"memmove", reinterpret_cast<const void*>(&CrtMemmove), SlotOf(MoveSlot)},
    {"memcpy", reinterpret_cast<const void*>(&CrtMemmove), SlotOf(MoveSlot)},
    {"strcmp", reinterpret_cast<const void*>(&CrtStrcmp), SlotOf(Slots.StrComp)},
    {"strlen", reinterpret_cast<const void*>(&CrtStrlen), SlotOf(Slots.StrLen)},
    {"stricmp", reinterpret_cast<const void*>(&CrtStricmp), SlotOf(Slots.StrIComp)},
};
constexpr size_t kLibraries = std::size(kCRuntimeLibraryNames);

HMODULE gLibraries[kLibraries] = {};
RedirectRecord gRecords[kLibraries][std::size(kAdapters)];

void* Installable(const Adapter& a) { return a.calls.Get() ? const_cast<void*>(a.adapter) : nullptr; }

}  // namespace

void FindCRuntimeLibraries() {
    for (size_t i = 0; i < kLibraries; ++i) {
        gLibraries[i] = GetModuleHandleA(kCRuntimeLibraryNames[i]);
        if (!gLibraries[i]) gLibraries[i] = FindLoadedModule(kCRuntimeLibraryNames[i]);
    }
}

void RegisterCRuntimeAdapters() {
    for (HMODULE library : gLibraries)
        if (library)
            for (const Adapter& a : kAdapters) RegisterReplacement(library, a.exportName, Installable(a));
}

void RedirectCRuntimeRoutines() {
    for (size_t i = 0; i < kLibraries; ++i)
        if (gLibraries[i])
            for (size_t r = 0; r < std::size(kAdapters); ++r)
                if (void* adapter = Installable(kAdapters[r]))
                    RedirectExport(gLibraries[i], kAdapters[r].exportName, adapter, gRecords[i][r]);
}

void RestoreCRuntimeRoutines() {
    for (size_t i = 0; i < kLibraries; ++i)
        if (gLibraries[i])
            for (RedirectRecord& record : gRecords[i]) RemoveRedirect(record);
}

}  // namespace toravex
