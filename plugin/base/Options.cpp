#include "base/Options.h"

#include "base/BuildProfile.h"
#include "base/Registry.h"

namespace toravex {

OptionsRecord Options = {false, true, true, true};

namespace {

bool ReadFlag(const RegistryKey& key, const char* name, bool defaultValue) {
    uint32_t value;
    return key.ReadDword(name, value) ? value != 0 : defaultValue;
}

}  // namespace

OptionValues ReadOptionValues() {
    RegistryKey key;
    key.OpenReadOnly(HKEY_CURRENT_USER, Profile().optionsKey);
    OptionValues v;
    v.NoFastSys = ReadFlag(key, "NoFastSys", false);
    v.NoFastObj = ReadFlag(key, "NoFastObj", false);
    v.kept.HookAllDlls = ReadFlag(key, "HookAllDlls", false);
    v.kept.HookBplOnly = ReadFlag(key, "HookBplOnly", true);
    v.kept.SetShortCuts = ReadFlag(key, "SetShortCuts", true);
    v.kept.ThreadSafeStrings = ReadFlag(key, "ThreadSafeStrings", true);
    return v;
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
