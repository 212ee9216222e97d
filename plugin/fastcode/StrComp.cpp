#include "fastcode/StrComp.h"

#include "fastcode/FastcodeCPUID.h"

namespace toravex {

namespace {

// Walks both strings byte by byte, eight bytes per pass, up to the first
// unequal pair or the end of the first string. Returns the index reached.
inline int32_t Mismatch(const uint8_t* a, const uint8_t* b) {
    for (int32_t i = 0;; i += 8) {
#pragma GCC unroll 8
        for (int32_t k = 0; k < 8; ++k)
            if (a[i + k] != b[i + k] || a[i + k] == 0) return i + k;
    }
}

}  // namespace

int32_t HOSTCALL StrCompA(const char* s1, const char* s2) {
    if (s1 == s2) return 0;
    const auto* a = reinterpret_cast<const uint8_t*>(s1);
    const auto* b = reinterpret_cast<const uint8_t*>(s2);
    const int32_t i = Mismatch(a, b);
    return (a[i] > b[i]) - (a[i] < b[i]);
}

int32_t HOSTCALL StrCompB(const char* s1, const char* s2) {
    if (s1 == s2) return 0;
    const auto* a = reinterpret_cast<const uint8_t*>(s1);
    const auto* b = reinterpret_cast<const uint8_t*>(s2);
    const int32_t i = Mismatch(a, b);
    return a[i] - b[i];
}

StrCompRoutine StrCompFor(uint8_t target) {
    return ByTarget<StrCompRoutine>(target, {
        StrCompB, StrCompB, StrCompB, StrCompB, StrCompB,
        StrCompB, StrCompB, StrCompA, StrCompA, StrCompA});
}

}  // namespace toravex
