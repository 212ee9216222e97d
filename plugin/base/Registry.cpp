#include "base/Registry.h"

#include <cstring>

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

bool RegistryKey::WriteString(const char* name, const char* text) const {
    if (!key_) return false;
    return RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(std::strlen(text) + 1)) == ERROR_SUCCESS;
}

}  // namespace toravex
