#include "base/HostString.h"

#include <cstring>

#include "HostLayout.h"
#include "base/HostRuntime.h"

namespace toravex {

HostString::HostString(const char* text) : HostString(text, text ? static_cast<int32_t>(std::strlen(text)) : 0) {}

HostString::HostString(const char* text, int32_t length) {
    if (length > 0 && Runtime().lstrFromPCharLen) Runtime().lstrFromPCharLen(&data_, text, length);
}

HostString::HostString(const HostString& other) {
    if (other.data_ && Runtime().lstrAsg) Runtime().lstrAsg(&data_, other.data_);
}

HostString& HostString::operator=(const HostString& other) {
    if (this != &other && Runtime().lstrAsg) Runtime().lstrAsg(&data_, other.data_);
    return *this;
}

HostString& HostString::operator=(HostString&& other) noexcept {
    if (this != &other) {
        Clear();
        data_ = other.data_;
        other.data_ = nullptr;
    }
    return *this;
}

HostString::~HostString() { Clear(); }

HostString HostString::Share(const char* hostValue) {
    HostString s;
    if (hostValue && Runtime().lstrAsg) Runtime().lstrAsg(&s.data_, hostValue);
    return s;
}

int32_t HostString::Length() const { return hostabi::LengthOf(data_); }

char** HostString::Out() {
    Clear();
    return &data_;
}

void HostString::Clear() {
    if (data_ && Runtime().lstrClr) Runtime().lstrClr(&data_);
}

bool operator==(const HostString& a, const char* text) {
    const size_t n = std::strlen(text);
    return static_cast<size_t>(a.Length()) == n && std::memcmp(a.CStr(), text, n) == 0;
}

}  // namespace toravex
