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
    bool indexFeedsSplashProgress = false;  // each newly indexed package advances the splash progress
    bool hasDesignPackageCreateHook;  // TDesignPackage constructor hook
    bool hasColorBoxFix;              // TCustomColorBox replacements
    bool hasStartupWatch;             // main block watches for the main window; else the older splash handling
    bool hasPaletteBatching;          // component-palette notices batched while the IDE starts
    bool hasOlderMenuItems;           // more hidden menu items shown, and the F9 shortcuts under SetShortCuts

    // Runtime routines and the patch set.
    bool hasRoutineTable;           // variants chosen per processor; else a fixed blended set and MoveGeneric
    bool hasSetThreadPriorityHook;  // thread priorities held off while the IDE starts
    bool redirectsFileExists;       // FileExists also code-redirected, not only re-pointed
    bool hasCompilerCallCache;      // the IDE's C# compiler runs while it starts answered from a cache

    // The splash window while the IDE starts.
    bool hasSplashProgress;         // progress bar, version label and the expected-package list
    bool readsPersonalityKeys;      // expected packages read per personality; else the two global keys
    bool showsPackageDescription;   // each package's description on the splash while it initializes
    bool splashLabelsInPanels;      // the older splash labels sit in two panels of their own
};

inline constexpr BuildProfile kBuildProfiles[] = {
    {
        .packageVersion = 100, .name = "Toravex10", .hostBuild = hostnames::B100,
        .runtimePackage = "rtl100.bpl", .ideCorePackage = "coreide100.bpl", .compilerStartupModule = "delphicoreide100.bpl",
        .delphiCompiler = "dcc100.dll", .cppCompiler = "comp32x.dll", .ideVersionText = "4.0",
        .optionsKey = "\\Software\\Kalvoro\\Toravex\\10",
        .hasPackageUnitIndex = false, .hasDesignPackageCreateHook = true, .hasColorBoxFix = true,
        .hasStartupWatch = true, .hasPaletteBatching = true, .hasOlderMenuItems = false,
        .hasRoutineTable = true, .hasSetThreadPriorityHook = true,
        .redirectsFileExists = false,
        .hasCompilerCallCache = true,
        .hasSplashProgress = true, .readsPersonalityKeys = true, .showsPackageDescription = false,
        .splashLabelsInPanels = false,
    },
    {
        .packageVersion = 90, .name = "Toravex9", .hostBuild = hostnames::B90,
        .runtimePackage = "rtl90.bpl", .ideCorePackage = "coreide90.bpl", .compilerStartupModule = "delphicoreide90.bpl",
        .delphiCompiler = "dcc90.dll", .cppCompiler = "", .ideVersionText = "3.0",
        .optionsKey = "\\Software\\Kalvoro\\Toravex\\9",
        .hasPackageUnitIndex = true, .indexFeedsSplashProgress = true, .hasDesignPackageCreateHook = true,
        .hasColorBoxFix = true,
        .hasStartupWatch = true, .hasPaletteBatching = false, .hasOlderMenuItems = false,
        .hasRoutineTable = true, .hasSetThreadPriorityHook = true,
        .redirectsFileExists = true,
        .hasCompilerCallCache = false,
        .hasSplashProgress = true, .readsPersonalityKeys = false, .showsPackageDescription = false,
        .splashLabelsInPanels = false,
    },
    {
        .packageVersion = 70, .name = "Toravex7", .hostBuild = hostnames::B70,
        .runtimePackage = "rtl70.bpl", .ideCorePackage = "coreide70.bpl", .compilerStartupModule = "coreide70.bpl",
        .delphiCompiler = "dcc70.dll", .cppCompiler = "", .ideVersionText = "",
        .optionsKey = "\\Software\\Kalvoro\\Toravex\\7",
        .hasPackageUnitIndex = true, .hasDesignPackageCreateHook = false, .hasColorBoxFix = true,
        .hasStartupWatch = false, .hasPaletteBatching = false, .hasOlderMenuItems = true,
        .hasRoutineTable = true, .hasSetThreadPriorityHook = false,
        .redirectsFileExists = true,
        .hasCompilerCallCache = false,
        .hasSplashProgress = false, .readsPersonalityKeys = false, .showsPackageDescription = true,
        .splashLabelsInPanels = false,
    },
    {
        .packageVersion = 60, .name = "Toravex6", .hostBuild = hostnames::B60,
        .runtimePackage = "rtl60.bpl", .ideCorePackage = "coreide60.bpl", .compilerStartupModule = "coreide60.bpl",
        .delphiCompiler = "dcc60.dll", .cppCompiler = "comp32p.dll", .ideVersionText = "",
        .optionsKey = "\\Software\\Kalvoro\\Toravex\\6",
        .hasPackageUnitIndex = true, .hasDesignPackageCreateHook = false, .hasColorBoxFix = false,
        .hasStartupWatch = false, .hasPaletteBatching = false, .hasOlderMenuItems = true,
        .hasRoutineTable = true, .hasSetThreadPriorityHook = false,
        .redirectsFileExists = true,
        .hasCompilerCallCache = false,
        .hasSplashProgress = false, .readsPersonalityKeys = false, .showsPackageDescription = true,
        .splashLabelsInPanels = false,
    },
    {
        .packageVersion = 50, .name = "Toravex5", .hostBuild = hostnames::B50,
        .runtimePackage = "vcl50.bpl", .ideCorePackage = "coride50.bpl", .compilerStartupModule = "coride50.bpl",
        .delphiCompiler = "dcc50.dll", .cppCompiler = "comp32p.dll", .ideVersionText = "",
        .optionsKey = "\\Software\\Kalvoro\\Toravex\\5",
        .hasPackageUnitIndex = true, .hasDesignPackageCreateHook = false, .hasColorBoxFix = false,
        .hasStartupWatch = false, .hasPaletteBatching = false, .hasOlderMenuItems = true,
        .hasRoutineTable = false, .hasSetThreadPriorityHook = false,
        .redirectsFileExists = true,
        .hasCompilerCallCache = false,
        .hasSplashProgress = false, .readsPersonalityKeys = false, .showsPackageDescription = true,
        .splashLabelsInPanels = true,
    },
};

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
