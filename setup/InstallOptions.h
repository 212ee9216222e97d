// The plug-in options the installer shows as check boxes and writes into the
// options key at install: each one a REG_DWORD of 0 or 1.
#pragma once

#include "RegistryAccess.h"
#include "SetupError.h"
#include "SetupProfile.h"

namespace setup {

struct InstallOptions {
    bool noFastSys = false;
    bool noFastObj = false;
    bool hookAllDlls = false;
    bool hookBplOnly = true;
    bool blendedFastCode = false;
    bool setShortCuts = true;
};

// The options as stored: a value counts as set when it exists and is
// non-zero; missing values (or a missing key) give the defaults above.
InstallOptions LoadInstallOptions(RegistryAccess& registry, const SetupProfile& profile);

// Opens the options key, creating it; when that succeeds deletes the value
// "FastQuit" of earlier versions and writes the options in their fixed order
// ("SetShortCuts" only in the builds that show it). Stops at a value that
// cannot be written.
[[nodiscard]] SetupOutcome WriteInstallOptions(RegistryAccess& registry, const SetupProfile& profile, const InstallOptions& options);

}  // namespace setup
