// The component palette's work while the IDE starts: each component a
// design package registers is a Modified notice, and the emulated palette
// (dotnetcoreide100.bpl) rebuilds all its pages on every notice, as the
// IDE's does. Measured per registered component, for palettes of 100 to 600
// components; the "bytes" column is the number of components.
//   host       the palette as the IDE runs it: a rebuild per notice
//   selected   with Toravex's batching, as in a start-up: the first library
//              load starts it, the end of start-up ends it (one rebuild)
#include <cstdio>
#include <string>

#include "BenchHarness.h"
#include "HostCall.h"
#include "HostLayout.h"
#include "VclInterface.h"
#include "base/HostRuntime.h"
#include "base/HostString.h"
#include "base/Lifecycle.h"
#include "ide/PaletteBatching.h"

using namespace toravex;

namespace {

constexpr int kAddComponentSlot = 4;
void* gService = nullptr;

// The IDE's services object as far as the batching asks it: the palette
// service by its interface identifier.
HRESULT WINAPI QueryInterface(void*, const hostabi::GuidRec* iid, void** out) {
    using Query = HRESULT(WINAPI*)(void*, const hostabi::GuidRec*, void**);
    return (*static_cast<Query* const*>(gService))[0](gService, iid, out);
}
void* const kServicesSlots[] = {reinterpret_cast<void*>(&QueryInterface), nullptr, nullptr};
struct {
    void* const* vtable;
} gServices{kServicesSlots};

struct Palette {
    void (*reset)() = nullptr;

    bool Load() {
        HMODULE module = LoadLibraryA(TORAVEX_BUILD_DIR "\\emuide\\100\\bin\\dotnetcoreide100.bpl");
        HMODULE services = LoadLibraryA(TORAVEX_BUILD_DIR "\\emuide\\100\\bin\\designide100.bpl");
        if (!module || !services) return false;
        gService = reinterpret_cast<void* (*)()>(GetProcAddress(module, "EmuPaletteServices"))();
        reset = reinterpret_cast<void (*)()>(GetProcAddress(module, "EmuPaletteReset"));
        auto* variable = reinterpret_cast<void**>(GetProcAddress(services, "@Toolsapi@BorlandIDEServices"));
        if (!gService || !reset || !variable) return false;
        *variable = &gServices;
        return true;
    }
    // Registers `count` components on an empty palette, as a start-up does.
    void Register(int count, const HostString& page, const HostString* names) const {
        using Add = void(HOSTCALL*)(void*, const char*, const char*);
        Add add = (*static_cast<Add* const*>(gService))[kAddComponentSlot - 1];
        reset();
        for (int i = 0; i < count; ++i) add(gService, page.Get(), names[i].Get());
    }
};

}  // namespace

int main(int argc, char** argv) {
    bench::Options options;
    if (!bench::ParseOptions(argc, argv, options)) return 2;
    if (!LoadLibraryA(TORAVEX_BUILD_DIR "\\emuide\\100\\bin\\rtl100.bpl") || !Runtime().lstrFromPCharLen) {
        std::fprintf(stderr, "the emulated runtime package did not load\n");
        return 1;
    }
    Palette palette;
    if (!palette.Load()) {
        std::fprintf(stderr, "the emulated palette or IDE services package did not load\n");
        return 1;
    }
    const HostString page("Emulated");
    HostString names[600];
    for (int i = 0; i < 600; ++i) names[i] = HostString(("TEmuComponent" + std::to_string(i + 1)).c_str());

    bench::Report report;
    for (int count : {100, 300, 600}) {
        if (options.quick && count > 100) break;
        const double seconds = options.quick ? 0.002 : 0.05;
        const int repetitions = options.quick ? 1 : 3;
        const double host = bench::NsPerCall([&] { palette.Register(count, page, names); }, seconds, repetitions);
        report.Add("PaletteStartup", "host", count, host / count);
        const double selected = bench::NsPerCall(
            [&] {
                StartupPhase = true;
                PaletteBatchStep();
                palette.Register(count, page, names);
                EndPaletteBatching();
            },
            seconds, repetitions);
        report.Add("PaletteStartup", "selected", count, selected / count);
    }
    report.PrintTable();
    if (!options.csvPath.empty() && !report.WriteCsv(options.csvPath)) return 1;
    return 0;
}
