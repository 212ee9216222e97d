// The installer's registry operations on the Windows registry.
#include "RegistryAccess.h"

namespace setup {

namespace {

HKEY RootOf(Hive hive) { return hive == Hive::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }
const char* Relative(const std::string& key) { return key.c_str() + (key.rfind('\\', 0) == 0 ? 1 : 0); }

// An open key, closed when it goes.
class OpenKey {
public:
    OpenKey(Hive hive, const std::string& key, REGSAM access) {
        if (RegOpenKeyExA(RootOf(hive), Relative(key), 0, access, &key_) != ERROR_SUCCESS) key_ = nullptr;
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    ~OpenKey() {
        if (key_) RegCloseKey(key_);
    }
    explicit operator bool() const { return key_ != nullptr; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

void DeleteTree(HKEY root, const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS) return;
    std::vector<std::string> children;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        children.emplace_back(name, size);
    }
    RegCloseKey(key);
    for (const std::string& child : children) DeleteTree(root, path + "\\" + child);
    RegDeleteKeyA(root, path.c_str());
}

}  // namespace

bool Win32Registry::KeyExists(Hive hive, const std::string& key) { return bool(OpenKey(hive, key, KEY_READ)); }

bool Win32Registry::KeyWritable(Hive hive, const std::string& key) {
    return bool(OpenKey(hive, key, KEY_READ | KEY_WRITE));
}

bool Win32Registry::CreateKey(Hive hive, const std::string& key) {
    HKEY h;
    if (RegCreateKeyExA(RootOf(hive), Relative(key), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &h, nullptr) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

void Win32Registry::DeleteKeyTree(Hive hive, const std::string& key) { DeleteTree(RootOf(hive), Relative(key)); }

std::vector<std::string> Win32Registry::ValueNames(Hive hive, const std::string& key) {
    std::vector<std::string> names;
    OpenKey k(hive, key, KEY_READ);
    if (!k) return names;
    DWORD count = 0, longest = 0;
    if (RegQueryInfoKeyA(k.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longest, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return names;
    std::vector<char> name(longest + 1);
    for (DWORD i = 0; i < count; ++i) {
        DWORD size = static_cast<DWORD>(name.size());
        if (RegEnumValueA(k.get(), i, name.data(), &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
            names.emplace_back(name.data(), size);
    }
    return names;
}

std::optional<RegistryData> Win32Registry::ReadValue(Hive hive, const std::string& key, const std::string& name) {
    OpenKey k(hive, key, KEY_READ);
    if (!k) return std::nullopt;
    RegistryData data;
    DWORD size = 0;
    if (RegQueryValueExA(k.get(), name.c_str(), nullptr, &data.type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    data.bytes.resize(size);
    if (RegQueryValueExA(k.get(), name.c_str(), nullptr, &data.type, data.bytes.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    data.bytes.resize(size);
    return data;
}

bool Win32Registry::WriteValue(Hive hive, const std::string& key, const std::string& name,
                               const RegistryData& data) {
    OpenKey k(hive, key, KEY_WRITE);
    return k && RegSetValueExA(k.get(), name.c_str(), 0, data.type, data.bytes.data(),
                               static_cast<DWORD>(data.bytes.size())) == ERROR_SUCCESS;
}

bool Win32Registry::DeleteValue(Hive hive, const std::string& key, const std::string& name) {
    OpenKey k(hive, key, KEY_WRITE);
    return k && RegDeleteValueA(k.get(), name.c_str()) == ERROR_SUCCESS;
}

}  // namespace setup
