// The few registry operations the plug-in makes, on HKEY_CURRENT_USER. Key
// paths are written with a backslash in front, as the options table stores
// them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace toravex {

class RegistryKey {
public:
    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey() { Close(); }

    // Opens an existing key; never creates one.
    bool OpenReadOnly(HKEY root, const char* path);
    bool OpenForWriting(HKEY root, const char* path);
    void Close();
    bool IsOpen() const { return key_ != nullptr; }

    // True with the value only for an existing REG_DWORD value; a value of
    // another type counts as missing.
    bool ReadDword(const char* name, uint32_t& value) const;
    // True with the text only for an existing REG_SZ value of at most
    // maxLength characters; anything else counts as missing.
    bool ReadString(const char* name, std::string& text, size_t maxLength) const;
    bool WriteString(const char* name, const char* text) const;
    // Every value of the key with its text: the data of a REG_SZ value, the
    // empty text for a value of any other type. In the registry's order.
    std::vector<std::pair<std::string, std::string>> StringValues() const;

private:
    HKEY key_ = nullptr;
};

}  // namespace toravex
