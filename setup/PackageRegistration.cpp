#include "PackageRegistration.h"

#include <utility>
#include <vector>

namespace setup {

bool WriteValueFirst(RegistryAccess& registry, Hive hive, const std::string& key, const std::string& name,
                     const std::string& data) {
    // Every value as stored, whatever its type, so that writing it back
    // changes nothing but its age.
    std::vector<std::pair<std::string, RegistryData>> values;
    for (const std::string& existing : registry.ValueNames(hive, key))
        if (std::optional<RegistryData> stored = registry.ReadValue(hive, key, existing))
            values.emplace_back(existing, std::move(*stored));
    if (!registry.WriteString(hive, key, name, data)) return false;
    for (const auto& value : values) registry.DeleteValue(hive, key, value.first);
    for (const auto& value : values) registry.WriteValue(hive, key, value.first, value.second);
    return true;
}

void DeleteValuesWithData(RegistryAccess& registry, Hive hive, const std::string& key, const std::string& data) {
    for (const std::string& name : registry.ValueNames(hive, key)) {
        std::optional<std::string> stored = registry.ReadString(hive, key, name);
        if (stored && lstrcmpiA(stored->c_str(), data.c_str()) == 0) registry.DeleteValue(hive, key, name);
    }
}

}  // namespace setup
