#include "runtime/CRuntimeAdapters.h"

#include <iterator>

#include "base/DiagnosticLog.h"
#include "base/FormatText.h"
#include "base/HostRuntime.h"
#include "base/SystemPlatform.h"

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
        gLibraries[i] = FindHostModule(kCRuntimeLibraryNames[i]);
        if (!gLibraries[i]) gLibraries[i] = FindLoadedModule(kCRuntimeLibraryNames[i]);
        if (!gLibraries[i]) LogLeftOut(kCRuntimeLibraryNames[i], "not loaded");
    }
}

void RegisterCRuntimeAdapters() {
    for (size_t i = 0; i < kLibraries; ++i) {
        if (!gLibraries[i]) continue;
        for (const Adapter& a : kAdapters) {
            char what[64];
            FormatText(what, sizeof what, "%s!%s", kCRuntimeLibraryNames[i], a.exportName);
            void* host = nullptr;
            RegisterReplacement(gLibraries[i], a.exportName, Installable(a), host);
            if (!Installable(a))
                LogLeftOut(what, "no replacement in this build");
            else if (!host)
                LogLeftOut(what, "missing export");
            else
                LogMade("imports", what);
        }
    }
}

void RedirectCRuntimeRoutines() {
    for (size_t i = 0; i < kLibraries; ++i) {
        if (!gLibraries[i]) continue;
        for (size_t r = 0; r < std::size(kAdapters); ++r) {
            void* adapter = Installable(kAdapters[r]);
            if (!adapter) continue;
            RedirectRecord& record = gRecords[i][r];
            RedirectExport(gLibraries[i], kAdapters[r].exportName, adapter, record);
            if (!Logging()) continue;
            char what[64];
            FormatText(what, sizeof what, "%s!%s", kCRuntimeLibraryNames[i], kAdapters[r].exportName);
            if (record.Address)
                LogMade("entry", what);
            else if (Platform().GetExport(gLibraries[i], kAdapters[r].exportName))  // else logged as missing
                LogLeftOut(what, "protection change failed");
        }
    }
}

void RestoreCRuntimeRoutines() {
    for (size_t i = 0; i < kLibraries; ++i) {
        if (!gLibraries[i]) continue;
        for (size_t r = 0; r < std::size(kAdapters); ++r) {
            RedirectRecord& record = gRecords[i][r];
            const bool writesBack = record.Address && record.UseCount == 1;
            RemoveRedirect(record);
            if (writesBack) LogEvent("removed entry %s!%s", kCRuntimeLibraryNames[i], kAdapters[r].exportName);
        }
    }
}

}  // namespace toravex
