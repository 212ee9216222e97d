#include "fastcode/PosEx.h"

#include "fastcode/FastcodeCPUID.h"
#include "fastcode/SearchBlocks.h"

namespace toravex {

using namespace strings;

int32_t HOSTCALL PosExA(const char* subStr, const char* s, int32_t offset) {
    const int32_t m = LengthOf(subStr), n = LengthOf(s);
    const int32_t start = SearchStart(m, n, offset);
    if (start < 0) return 0;
    return FindByLastByte(subStr, m, s, n, start + m - 1);
}

int32_t HOSTCALL PosExB(const char* subStr, const char* s, int32_t offset) {
    const int32_t m = LengthOf(subStr), n = LengthOf(s);
    const int32_t start = SearchStart(m, n, offset);
    if (start < 0) return 0;
    const char last = subStr[m - 1];
    int32_t p = start + m - 1;
    auto matchAt = [&](int32_t q) { return MatchesBackwardGivenLast(subStr, m, s + q - (m - 1)); };
    for (; p <= n - 8; p += 8) {
#pragma GCC unroll 8
        for (int32_t k = 0; k < 8; ++k)
            if (s[p + k] == last && matchAt(p + k)) return p + k - m + 2;
    }
    for (; p < n; ++p)
        if (s[p] == last && matchAt(p)) return p - m + 2;
    return 0;
}

PosExRoutine PosExFor(uint8_t target) {
    return ByTarget<PosExRoutine>(target, {
        PosExA, PosExA, PosExA, PosExA, PosExB,
        PosExB, PosExA, PosExA, PosExA, PosExA});
}

}  // namespace toravex
