#include "InstallOptions.h"

#include "SetupError.h"

namespace setup {

namespace {

struct OptionValue {
    const char* name;
    bool InstallOptions::*field;
};

// In the order they are written.
constexpr OptionValue kOptionValues[] = {
    {"NoFastSys", &InstallOptions::noFastSys},
    {"NoFastObj", &InstallOptions::noFastObj},
    {"HookAllDlls", &InstallOptions::hookAllDlls},
    {"HookBplOnly", &InstallOptions::hookBplOnly},
    {"BlendedFastCode", &InstallOptions::blendedFastCode},
    {"SetShortCuts", &InstallOptions::setShortCuts},
};

bool Shown(const SetupProfile& profile, const OptionValue& value) {
    return profile.hasShortCuts || value.field != &InstallOptions::setShortCuts;
}

}  // namespace

InstallOptions LoadInstallOptions(RegistryAccess& registry, const SetupProfile& profile) {
    InstallOptions options;
    const bool open = registry.KeyExists(Hive::CurrentUser, profile.optionsKey);
    for (const OptionValue& value : kOptionValues) {
        std::optional<uint32_t> stored;
        if (open) stored = registry.ReadDword(Hive::CurrentUser, profile.optionsKey, value.name);
        if (stored) options.*value.field = *stored != 0;
    }
    return options;
}

SetupOutcome WriteInstallOptions(RegistryAccess& registry, const SetupProfile& profile, const InstallOptions& options) {
    if (!registry.CreateKey(Hive::CurrentUser, profile.optionsKey)) return std::nullopt;
    if (registry.ValueExists(Hive::CurrentUser, profile.optionsKey, "FastQuit"))
        registry.DeleteValue(Hive::CurrentUser, profile.optionsKey, "FastQuit");
    for (const OptionValue& value : kOptionValues) {
        if (!Shown(profile, value)) continue;
        if (!registry.WriteDword(Hive::CurrentUser, profile.optionsKey, value.name, options.*value.field ? 1 : 0))
            return SetupError{std::string("Failed to set data for '") + value.name + "'"};  // as the registry class says
    }
    return std::nullopt;
}

}  // namespace setup
