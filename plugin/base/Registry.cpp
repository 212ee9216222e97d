#include "base/Registry.h"

#include <cstring>
#include <utility>

namespace toravex {

static const char* WithoutLeadingDelimiter(const char* path) { return *path == '\\' ? path + 1 : path; }

static bool Open(HKEY root, const char* path, REGSAM access, HKEY& key) {
    if (RegOpenKeyExA(root, WithoutLeadingDelimiter(path), 0, access, &key) == ERROR_SUCCESS) return true;
    key = nullptr;
    return false;
}

bool RegistryKey::OpenReadOnly(HKEY root, const char* path) {
    Close();
    return Open(root, path, KEY_READ, key_);
}

bool RegistryKey::OpenForWriting(HKEY root, const char* path) {
    Close();
    return Open(root, path, KEY_READ | KEY_WRITE, key_);
}

void RegistryKey::Close() {
    if (key_) RegCloseKey(key_);
    key_ = nullptr;
}

bool RegistryKey::ReadDword(const char* name, uint32_t& value) const {
    if (!key_) return false;
    DWORD type = 0, data = 0, size = sizeof data;
    if (RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS)
        return false;
    if (type != REG_DWORD || size != sizeof data) return false;
    value = data;
    return true;
}

bool RegistryKey::ReadString(const char* name, std::string& text, size_t maxLength) const {
    if (!key_) return false;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ) return false;
    if (size > maxLength + 1) return false;
    std::string data(size, '\0');
    if (RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS ||
        type != REG_SZ || size > data.size())
        return false;
    // Stored with or without its terminating zero: the text ends at the first.
    data.resize(size);
    std::string value(data.c_str());
    if (value.size() > maxLength) return false;
    text = std::move(value);
    return true;
}

bool RegistryKey::WriteString(const char* name, const char* text) const {
    if (!key_) return false;
    return RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(std::strlen(text) + 1)) == ERROR_SUCCESS;
}

std::vector<std::pair<std::string, std::string>> RegistryKey::StringValues() const {
    std::vector<std::pair<std::string, std::string>> values;
    DWORD count = 0, longestName = 0, longestData = 0;
    if (!key_ || RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName,
                                  &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return values;
    std::string name(longestName + 1, '\0'), data(longestData + 1, '\0');
    for (DWORD i = 0; i < count; ++i) {
        DWORD nameSize = static_cast<DWORD>(name.size()), dataSize = static_cast<DWORD>(data.size()), type = 0;
        if (RegEnumValueA(key_, i, name.data(), &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                          &dataSize) != ERROR_SUCCESS)
            continue;
        std::string text;
        // The text ends at the first zero, stored with its terminator or not.
        if (type == REG_SZ) text.assign(data.data(), strnlen(data.data(), dataSize));
        values.emplace_back(std::string(name.data(), nameSize), std::move(text));
    }
    return values;
}

}  // namespace toravex
