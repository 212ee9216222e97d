// The IDE's service objects (builds 90 and 100): BorlandIDEServices, which
// hands out the palette service by its interface identifier (build 100),
// and SplashScreenServices, whose seventh slot shows a text on the splash
// window. Both are set into ToolsAPI's variables of the IDE services
// package before any package loads. Build 100 registers each design
// package's components on the palette through the palette service.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "IdeApplication.h"
#include "IdeVcl.h"
#include "palette/PaletteService.h"

extern "C" {
__declspec(dllimport) void* EmuPaletteServices();
__declspec(dllimport) void EmuPaletteReport(char* line, int size);
}

namespace ide {

namespace {

using namespace idevcl;

struct ServiceObject {
    void* const* vtable;
};

void* gSplashForm = nullptr;

HRESULT WINAPI ServicesQueryInterface(ServiceObject*, const hostabi::GuidRec* iid, void** out) {
    *out = nullptr;
    if constexpr (EMUHOST_BUILD == 100) {
        void* palette = EmuPaletteServices();
        using Query = HRESULT(WINAPI*)(void*, const hostabi::GuidRec*, void**);
        return (*static_cast<Query* const*>(palette))[0](palette, iid, out);
    }
    return E_NOINTERFACE;
}
ULONG WINAPI AddRef(ServiceObject*) { return 1; }
ULONG WINAPI Release(ServiceObject*) { return 1; }
void HOSTCALL NotProvided(ServiceObject*) { Raise("Runtime error: this service slot is not provided by the emulated host"); }

// SplashScreenServices' seventh slot: a line of text on the splash window.
void HOSTCALL SplashStatusMessage(ServiceObject*, const char* text) {
    Log("splash-status \"%s\"", text ? text : "");
    if (!gSplashForm) return;
    if (void* status = FindComponent(gSplashForm, "SplashStatus")) SetText(status, text ? text : "");
}

void* const kServicesSlots[] = {reinterpret_cast<void*>(&ServicesQueryInterface), reinterpret_cast<void*>(&AddRef),
                                reinterpret_cast<void*>(&Release)};
void* const kSplashSlots[] = {reinterpret_cast<void*>(&ServicesQueryInterface), reinterpret_cast<void*>(&AddRef),
                              reinterpret_cast<void*>(&Release),                reinterpret_cast<void*>(&NotProvided),
                              reinterpret_cast<void*>(&NotProvided),            reinterpret_cast<void*>(&NotProvided),
                              reinterpret_cast<void*>(&SplashStatusMessage)};
static_assert(sizeof kSplashSlots / sizeof kSplashSlots[0] == hostabi::slots::kSplashStatusMessage);

ServiceObject gServices{kServicesSlots};
ServiceObject gSplashServices{kSplashSlots};

}  // namespace

void StartIdeServices() {
    if constexpr (EMUHOST_BUILD >= 90) {
        *reinterpret_cast<void**>(&rtlimp_Toolsapi_BorlandIDEServices) = &gServices;
        *reinterpret_cast<void**>(&rtlimp_Toolsapi_SplashScreenServices) = &gSplashServices;
    }
}

void ShowSplashStatusIn(void* splashForm) { gSplashForm = splashForm; }

// The design package's components, registered one by one: "<package>
// Component <i>" on the page of the package.
void RegisterPackageComponents(const std::string& file) {
    if constexpr (EMUHOST_BUILD == 100) {
        std::string package = file.substr(file.find_last_of('\\') + 1);
        package = package.substr(0, package.find('.'));
        void* palette = EmuPaletteServices();
        using Add = void(HOSTCALL*)(void*, const char*, const char*);
        Add add = (*static_cast<Add* const*>(palette))[emupalette::kAddComponentSlot - 1];
        for (int i = 0; i < Switches().paletteComponents; ++i) {
            char name[64];
            wsprintfA(name, "T%sComponent%d", package.c_str(), i + 1);
            add(palette, HostText(package.c_str()).get(), HostText(name).get());
        }
    }
}

void LogPalette(bool toStandardOutput) {
    if constexpr (EMUHOST_BUILD == 100) {
        char line[256];
        EmuPaletteReport(line, sizeof line);
        if (!toStandardOutput) {
            Log("palette %s", line);
            return;
        }
        int rebuilds = 0;
        double ms = 0;
        const char* r = std::strstr(line, "rebuilds=");
        const char* m = std::strstr(line, " ms=");
        if (r) rebuilds = std::atoi(r + 9);
        if (m) ms = std::atof(m + 4);
        std::printf("palette rebuilds=%d ms=%.0f\n", rebuilds, ms);
        std::fflush(stdout);
    }
}

}  // namespace ide
