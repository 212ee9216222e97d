// The registry as the installer uses it. Key paths are written as stored,
// with a backslash in front. Values enumerate in the order of the store: on
// Windows the order they were created in (a rewritten value keeps its place),
// which the registration of the loader relies on.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace setup {

enum class Hive { CurrentUser, LocalMachine };

// A value as stored: its registry type and its bytes.
struct RegistryData {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};

class RegistryAccess {
public:
    virtual ~RegistryAccess() = default;

    // The key can be opened read-only.
    virtual bool KeyExists(Hive hive, const std::string& key) = 0;
    // The key exists and can be opened for writing; never creates it.
    virtual bool KeyWritable(Hive hive, const std::string& key) = 0;
    // Opens the key for writing, creating it and its missing parents.
    virtual bool CreateKey(Hive hive, const std::string& key) = 0;
    // Deletes the key with everything below it; nothing when it is missing.
    virtual void DeleteKeyTree(Hive hive, const std::string& key) = 0;

    // The value names of the key in the store's order.
    virtual std::vector<std::string> ValueNames(Hive hive, const std::string& key) = 0;
    virtual std::optional<RegistryData> ReadValue(Hive hive, const std::string& key, const std::string& name) = 0;
    virtual bool WriteValue(Hive hive, const std::string& key, const std::string& name,
                            const RegistryData& data) = 0;
    virtual bool DeleteValue(Hive hive, const std::string& key, const std::string& name) = 0;

    // Typed access built on the above. A value of another type reads as
    // missing.
    bool ValueExists(Hive hive, const std::string& key, const std::string& name);
    std::optional<std::string> ReadString(Hive hive, const std::string& key, const std::string& name);
    std::optional<uint32_t> ReadDword(Hive hive, const std::string& key, const std::string& name);
    bool WriteString(Hive hive, const std::string& key, const std::string& name, const std::string& text);
    bool WriteDword(Hive hive, const std::string& key, const std::string& name, uint32_t value);
};

// The Windows registry.
class Win32Registry : public RegistryAccess {
public:
    bool KeyExists(Hive hive, const std::string& key) override;
    bool KeyWritable(Hive hive, const std::string& key) override;
    bool CreateKey(Hive hive, const std::string& key) override;
    void DeleteKeyTree(Hive hive, const std::string& key) override;
    std::vector<std::string> ValueNames(Hive hive, const std::string& key) override;
    std::optional<RegistryData> ReadValue(Hive hive, const std::string& key, const std::string& name) override;
    bool WriteValue(Hive hive, const std::string& key, const std::string& name, const RegistryData& data) override;
    bool DeleteValue(Hive hive, const std::string& key, const std::string& name) override;
};

}  // namespace setup
