// A host long string held by the plug-in, following the host's reference
// counting: copies share the string, destruction releases one reference, and
// all memory comes from the host's memory manager through its own helpers.
//
// Without a loaded runtime package every string is empty.
#pragma once

#include <cstdint>

namespace toravex {

class HostString {
public:
    HostString() = default;
    explicit HostString(const char* text);  // copy of a zero-terminated text
    HostString(const char* text, int32_t length);
    HostString(const HostString& other);
    HostString(HostString&& other) noexcept : data_(other.data_) { other.data_ = nullptr; }
    HostString& operator=(const HostString& other);
    HostString& operator=(HostString&& other) noexcept;
    ~HostString();

    // Takes one more reference to a string the host handed over.
    static HostString Share(const char* hostValue);

    // The host's value: nil for the empty string.
    const char* Get() const { return data_; }
    // Never nil; "" for the empty string.
    const char* CStr() const { return data_ ? data_ : ""; }
    int32_t Length() const;
    bool Empty() const { return data_ == nullptr; }

    // The variable itself, to pass as a host routine's result or `var`
    // argument. Emptied first, so the host can store into it.
    char** Out();

    void Clear();

private:
    char* data_ = nullptr;
};

bool operator==(const HostString& a, const char* text);

}  // namespace toravex
