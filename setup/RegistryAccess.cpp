#include "RegistryAccess.h"

#include <cstring>

namespace setup {

bool RegistryAccess::ValueExists(Hive hive, const std::string& key, const std::string& name) {
    return ReadValue(hive, key, name).has_value();
}

std::optional<std::string> RegistryAccess::ReadString(Hive hive, const std::string& key, const std::string& name) {
    std::optional<RegistryData> data = ReadValue(hive, key, name);
    if (!data || (data->type != REG_SZ && data->type != REG_EXPAND_SZ)) return std::nullopt;
    std::string text(data->bytes.begin(), data->bytes.end());
    // Stored with its terminator, or without one by a careless writer.
    if (size_t end = text.find('\0'); end != std::string::npos) text.resize(end);
    return text;
}

std::optional<uint32_t> RegistryAccess::ReadDword(Hive hive, const std::string& key, const std::string& name) {
    std::optional<RegistryData> data = ReadValue(hive, key, name);
    if (!data || data->type != REG_DWORD || data->bytes.size() != sizeof(uint32_t)) return std::nullopt;
    uint32_t value;
    std::memcpy(&value, data->bytes.data(), sizeof value);
    return value;
}

bool RegistryAccess::WriteString(Hive hive, const std::string& key, const std::string& name,
                                 const std::string& text) {
    RegistryData data{REG_SZ, std::vector<BYTE>(text.begin(), text.end())};
    data.bytes.push_back(0);
    return WriteValue(hive, key, name, data);
}

bool RegistryAccess::WriteDword(Hive hive, const std::string& key, const std::string& name, uint32_t value) {
    RegistryData data{REG_DWORD, std::vector<BYTE>(sizeof value)};
    std::memcpy(data.bytes.data(), &value, sizeof value);
    return WriteValue(hive, key, name, data);
}

}  // namespace setup
