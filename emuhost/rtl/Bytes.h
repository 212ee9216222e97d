// Byte loops the emulated runtime uses instead of the C runtime's memcpy,
// memset and strlen: the plug-in redirects those C routines to its own
// replacements, and the routines here must stay an independent reference.
#pragma once

#include <cstdint>

namespace emurtl {

inline void CopyBytes(void* dest, const void* source, int32_t count) {
    auto* d = static_cast<unsigned char*>(dest);
    auto* s = static_cast<const unsigned char*>(source);
    for (int32_t i = 0; i < count; ++i) d[i] = s[i];
}

inline void FillBytes(void* dest, unsigned char value, int32_t count) {
    auto* d = static_cast<unsigned char*>(dest);
    for (int32_t i = 0; i < count; ++i) d[i] = value;
}

inline int32_t TextLength(const char* s) {
    int32_t n = 0;
    if (s)
        while (s[n]) ++n;
    return n;
}

inline int32_t WideTextLength(const wchar_t* s) {
    int32_t n = 0;
    if (s)
        while (s[n]) ++n;
    return n;
}

}  // namespace emurtl
