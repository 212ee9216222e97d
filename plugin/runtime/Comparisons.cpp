#include "runtime/Comparisons.h"

#include <windows.h>

#include "HostLayout.h"
#include "fastcode/Fastcode.h"

using hostabi::LengthOf;

namespace toravex {

int32_t HOSTCALL LocaleCompareText(const char* s1, const char* s2) {
    if (!s1) return s2 ? -1 : 0;
    if (!s2) return 1;
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, s1, LengthOf(s1), s2, LengthOf(s2)) - CSTR_EQUAL;
}

bool HOSTCALL SameFileNameFast(const char* s1, const char* s2) { return LocaleCompareText(s1, s2) == 0; }

bool HOSTCALL SameTextFast(const char* s1, const char* s2) { return Slots.CompareText(s1, s2) == 0; }

char* HOSTCALL StrScanFast(const char* s, char c) {
    if (!s) return nullptr;
    for (;; ++s) {
        if (*s == c) return const_cast<char*>(s);
        if (*s == 0) return nullptr;
    }
}

// Wide strings keep their length in bytes before the data and end with a
// 2-byte zero, so reading 4 bytes where only 2 of the string remain reads
// the terminator: a difference in that upper half does not count.
bool HOSTCALL WideSameStrFast(const wchar_t* s1, const wchar_t* s2) {
    if (s1 == s2) return true;
    if (!s1 || !s2) return false;
    if (s1[0] != s2[0]) return false;
    const int32_t bytes = LengthOf(reinterpret_cast<const char*>(s1));
    if (bytes != LengthOf(reinterpret_cast<const char*>(s2))) return false;
    auto* a = reinterpret_cast<const uint32_t*>(s1);
    auto* b = reinterpret_cast<const uint32_t*>(s2);
    for (int32_t offset = 0; offset < bytes; offset += 4, ++a, ++b) {
        const uint32_t difference = *a ^ *b;
        if (difference == 0) continue;
        if (bytes - offset == 2 && (difference & 0xFFFF) == 0) continue;
        return false;
    }
    return true;
}

}  // namespace toravex
