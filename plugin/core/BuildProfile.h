// Everything that differs between the five plug-in builds, in one table.
// Code asks the profile of the running build (Profile()); it does not test
// the build number.
#pragma once

#include "HostNames.h"

namespace toravex {

struct BuildProfile {
    int packageVersion;   // 100, 90, 70, 60, 50: the suffix of the IDE's packages
    const char* name;     // "Toravex10"
    unsigned hostBuild;   // this build's bit in the host name list (hostnames::B100 ...)

    // Host modules.
    const char* runtimePackage;         // "rtl100.bpl" ... "vcl50.bpl"
    const char* ideCorePackage;         // "coreide100.bpl" ... "coride50.bpl"
    const char* compilerStartupModule;  // "delphicoreide100.bpl" ... "coride50.bpl"
    const char* delphiCompiler;         // "dcc100.dll"
    const char* cppCompiler;            // "comp32x.dll"; "" in the builds without one
    const char* ideVersionText;         // "4.0", "3.0"; "" in the older builds

    // Options: the key under HKEY_CURRENT_USER, backslash in front as stored.
    const char* optionsKey;

    // Start-up and shut-down steps that exist in this build.
    bool hasPackageUnitIndex;         // InitializePackage hook, unload notification, FreeLibrary hook
    bool hasDesignPackageCreateHook;  // TDesignPackage constructor hook
    bool hasColorBoxFix;              // TCustomColorBox replacements
    bool hasStartupWatch;             // main block watches for the main window; else the older splash handling

    // Runtime routines.
    bool hasRoutineTable;  // variants chosen per processor; else a fixed blended set and MoveGeneric
};

// clang-format off
inline constexpr BuildProfile kBuildProfiles[] = {
    // version, name, host build, runtime, IDE core, compiler start-up module, Delphi compiler,
    // C++ compiler, IDE version, options key,
    // unit index, design-package hook, colour-box fix, start-up watch, routine table
    {100, "Toravex10", hostnames::B100, "rtl100.bpl", "coreide100.bpl", "delphicoreide100.bpl", "dcc100.dll",
     "comp32x.dll", "4.0", "\\Software\\Kalvoro\\Toravex\\10",
     false, true, true, true, true},
    {90, "Toravex9", hostnames::B90, "rtl90.bpl", "coreide90.bpl", "delphicoreide90.bpl", "dcc90.dll",
     "", "3.0", "\\Software\\Kalvoro\\Toravex\\9",
     true, true, true, true, true},
    {70, "Toravex7", hostnames::B70, "rtl70.bpl", "coreide70.bpl", "coreide70.bpl", "dcc70.dll",
     "", "", "\\Software\\Kalvoro\\Toravex\\7",
     true, false, true, false, true},
    {60, "Toravex6", hostnames::B60, "rtl60.bpl", "coreide60.bpl", "coreide60.bpl", "dcc60.dll",
     "comp32p.dll", "", "\\Software\\Kalvoro\\Toravex\\6",
     true, false, false, false, true},
    {50, "Toravex5", hostnames::B50, "vcl50.bpl", "coride50.bpl", "coride50.bpl", "dcc50.dll",
     "comp32p.dll", "", "\\Software\\Kalvoro\\Toravex\\5",
     true, false, false, false, false},
};
// clang-format on

// The profile of a package version; the 100 profile for an unknown one.
constexpr const BuildProfile& ProfileFor(int packageVersion) {
    for (const BuildProfile& p : kBuildProfiles)
        if (p.packageVersion == packageVersion) return p;
    return kBuildProfiles[0];
}

namespace detail {
extern const BuildProfile* gActiveProfile;
}

// The profile of the running build.
inline const BuildProfile& Profile() { return *detail::gActiveProfile; }

}  // namespace toravex
