// The .NET component palette package (dotnetcoreide100.bpl).
//
// TDotNetPaletteServices keeps the palette's items (a page and a component
// name each) and rebuilds the palette's pages from all of them on every
// Modified notice, as the IDE's palette does; EndUpdate rebuilds once when
// the last update bracket closes. The palette service (interface
// {6963F71C-0A3F-4598-B6F6-9574CE0E6847}) is what the IDE's package manager
// registers components through: each registration is a Modified notice.
//
// Slots of the palette service (numbered from 1): 1-3 IUnknown, 4 adds a
// component (page, name), 5-7 are not provided by the emulated host, 8 and 9
// open and close an update of the service.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "HostCall.h"
#include "HostEntry.h"
#include "PaletteService.h"
#include "VclInterface.h"

namespace {

struct PaletteItem {
    std::string page;
    std::string name;
};

struct Palette {
    std::vector<PaletteItem> items;
    int32_t updateCount = 0;
    int32_t modified = 0, rebuilds = 0, beginUpdates = 0, endUpdates = 0;
    int32_t serviceUpdates = 0;
    uint32_t layout = 0;  // checksum of the last rebuilt layout
    double rebuildMs = 0;
};

Palette gPalette;

// Rebuilds the pages: every item is placed on its page (found by name among
// the pages so far) and gets its button caption; the checksum covers the
// captions in page order.
void Rebuild(Palette& p) {
    LARGE_INTEGER start, end, frequency;
    QueryPerformanceCounter(&start);
    std::vector<std::string> pages;
    std::vector<std::vector<std::string>> buttons;
    for (const PaletteItem& item : p.items) {
        size_t page = 0;
        while (page < pages.size() && pages[page] != item.page) ++page;
        if (page == pages.size()) {
            pages.push_back(item.page);
            buttons.emplace_back();
        }
        buttons[page].push_back(item.page + "." + item.name);
    }
    uint32_t hash = 2166136261u;
    for (const auto& page : buttons)
        for (const std::string& caption : page)
            for (char c : caption) hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
    p.layout = hash;
    ++p.rebuilds;
    QueryPerformanceCounter(&end);
    QueryPerformanceFrequency(&frequency);
    p.rebuildMs += 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

[[noreturn]] void NotProvided() {
    using CreateFn = void*(HOSTCALL*)(void*, int8_t, const char*);
    char* text = nullptr;
    reinterpret_cast<void(HOSTCALL*)(char**, const char*)>(HOST_ENTRY(System_LStrFromPChar))(
        &text, "Runtime error: this palette service slot is not provided by the emulated host");
    void* e = reinterpret_cast<CreateFn>(HOST_ENTRY(Sysutils_Exception_Create))(HOST_ENTRY(Sysutils_Exception), 1, text);
    reinterpret_cast<void(HOSTCALL*)(void*)>(HOST_ENTRY(System_RaiseExcept))(e);
    __builtin_unreachable();
}

std::string Text(const char* hostString) { return hostString ? hostString : ""; }

}  // namespace

extern "C" {

__attribute__((noipa)) HRESULT WINAPI emu_Dotnetpalettemgr_TDotNetPaletteServices_Modified(void* self) {
    auto* p = static_cast<Palette*>(self);
    ++p->modified;
    Rebuild(*p);
    return S_OK;
}

__attribute__((noipa)) HRESULT WINAPI emu_Dotnetpalettemgr_TDotNetPaletteServices_BeginUpdate(void* self) {
    auto* p = static_cast<Palette*>(self);
    ++p->beginUpdates;
    ++p->updateCount;
    return S_OK;
}

__attribute__((noipa)) HRESULT WINAPI emu_Dotnetpalettemgr_TDotNetPaletteServices_EndUpdate(void* self) {
    auto* p = static_cast<Palette*>(self);
    ++p->endUpdates;
    if (p->updateCount > 0 && --p->updateCount == 0) Rebuild(*p);
    return S_OK;
}

}  // extern "C"

namespace {

struct ServiceObject {
    void* const* vtable;
};

HRESULT WINAPI QueryInterface(ServiceObject* self, const hostabi::GuidRec* iid, void** out);
ULONG WINAPI AddRef(ServiceObject*) { return 1; }
ULONG WINAPI Release(ServiceObject*) { return 1; }
void HOSTCALL AddComponent(ServiceObject*, const char* page, const char* name) {
    gPalette.items.push_back({Text(page), Text(name)});
    emu_Dotnetpalettemgr_TDotNetPaletteServices_Modified(&gPalette);
}
void HOSTCALL Unprovided(ServiceObject*) { NotProvided(); }
void HOSTCALL BeginServiceUpdate(ServiceObject*) { ++gPalette.serviceUpdates; }
void HOSTCALL EndServiceUpdate(ServiceObject*) { --gPalette.serviceUpdates; }

void* const kServiceSlots[] = {
    reinterpret_cast<void*>(&QueryInterface), reinterpret_cast<void*>(&AddRef),
    reinterpret_cast<void*>(&Release),        reinterpret_cast<void*>(&AddComponent),
    reinterpret_cast<void*>(&Unprovided),     reinterpret_cast<void*>(&Unprovided),
    reinterpret_cast<void*>(&Unprovided),     reinterpret_cast<void*>(&BeginServiceUpdate),
    reinterpret_cast<void*>(&EndServiceUpdate)};
static_assert(sizeof kServiceSlots / sizeof kServiceSlots[0] == hostabi::slots::kPaletteEndUpdate);

ServiceObject gService{kServiceSlots};

bool SameGuid(const hostabi::GuidRec& a, const hostabi::GuidRec& b) {
    const auto* x = reinterpret_cast<const uint8_t*>(&a);
    const auto* y = reinterpret_cast<const uint8_t*>(&b);
    for (size_t i = 0; i < sizeof a; ++i)
        if (x[i] != y[i]) return false;
    return true;
}

HRESULT WINAPI QueryInterface(ServiceObject* self, const hostabi::GuidRec* iid, void** out) {
    static const hostabi::GuidRec kUnknown = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    if (SameGuid(*iid, hostabi::kPaletteServicesIid) || SameGuid(*iid, kUnknown)) {
        *out = self;
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

}  // namespace

// The emulated IDE's seams: the palette service it hands out through its
// services object, the palette manager itself, a report of what the
// palette did, and (for the benchmark) an empty palette again.
extern "C" {
void* EmuPaletteServices() { return &gService; }
void* EmuPaletteManager() { return &gPalette; }
void EmuPaletteReset() { gPalette = Palette{}; }
void EmuPaletteReport(char* line, int size) {
    const Palette& p = gPalette;
    std::snprintf(line, static_cast<size_t>(size),
                  "modified=%d rebuilds=%d begin=%d end=%d items=%u layout=%08X ms=%.0f", p.modified, p.rebuilds,
                  p.beginUpdates, p.endUpdates, static_cast<unsigned>(p.items.size()), p.layout, p.rebuildMs);
}
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
