#include "core/Options.h"

#include "core/BuildProfile.h"
#include "core/Registry.h"
#include "core/StepTrace.h"
#include "runtime/FastObj.h"
#include "runtime/FastSys.h"

namespace toravex {

OptionsRecord Options = {false, true, true, true};

namespace {

// A Boolean option: any non-zero DWORD is true; a missing key or value (or
// one of another type) gives the default.
bool ReadFlag(const RegistryKey& key, const char* name, bool defaultValue) {
    uint32_t value;
    return key.ReadDword(name, value) ? value != 0 : defaultValue;
}

}  // namespace

void ReadOptions() {
    RegistryKey key;
    key.OpenReadOnly(HKEY_CURRENT_USER, Profile().optionsKey);

    if (!ReadFlag(key, "NoFastSys", false)) RunStep("startup", {"InstallFastSys", InstallFastSys});
    if (!ReadFlag(key, "NoFastObj", false)) RunStep("startup", {"InstallFastObj", InstallFastObj});
    Options.HookAllDlls = ReadFlag(key, "HookAllDlls", false);
    Options.HookBplOnly = ReadFlag(key, "HookBplOnly", true);
    Options.SetShortCuts = ReadFlag(key, "SetShortCuts", true);
    Options.ThreadSafeStrings = ReadFlag(key, "ThreadSafeStrings", true);
    key.Close();

    RunStep("startup", {"DisableOtherPatcher", DisableOtherPatcher});
}

bool ReadBlendedFastCode() {
    RegistryKey key;
    return key.OpenReadOnly(HKEY_CURRENT_USER, Profile().optionsKey) && ReadFlag(key, "BlendedFastCode", false);
}

void DisableOtherPatcher() {
    RegistryKey key;
    if (key.OpenForWriting(HKEY_CURRENT_USER, "\\Software\\CnPack\\CnWizards\\Active"))
        key.WriteString("CnFastCodeWizard", "0");
}

}  // namespace toravex
