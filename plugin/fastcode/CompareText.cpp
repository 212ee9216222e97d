#include "fastcode/CompareText.h"

#include "fastcode/FastcodeCPUID.h"
#include "fastcode/StringBlocks.h"

namespace toravex {

using namespace strings;

namespace {

// The folded difference of two unequal words at index i of a walk that ends
// at index `end`: true with the result when it lies before the end. Words
// equal once folded, or differing only beyond the end, let the walk go on
// (a word reaching beyond the end is the last one).
inline bool FoldedDifference(uint32_t w1, uint32_t w2, int32_t i, int32_t end, int32_t& result) {
    w1 = Upper4(w1);
    w2 = Upper4(w2);
    const uint32_t x = w1 ^ w2;
    if (x == 0) return false;
    const int32_t shift = __builtin_ctz(x) & ~7;
    if (i + (shift >> 3) >= end) return false;
    result = static_cast<int32_t>((w1 >> shift) & 0xFF) - static_cast<int32_t>((w2 >> shift) & 0xFF);
    return true;
}

}  // namespace

int32_t HOSTCALL CompareTextA(const char* s1, const char* s2) {
    if (s1 == s2) return 0;
    if (!s1) return -LengthOf(s2);
    if (!s2) return LengthOf(s1);
    const int32_t l1 = LengthOf(s1), l2 = LengthOf(s2);
    const int32_t n = SmallerLength(l1, l2);
    for (int32_t i = 0; i < n; i += 4) {
        const uint32_t w1 = LoadWord(s1 + i), w2 = LoadWord(s2 + i);
        if (w1 == w2) continue;
        int32_t result;
        if (FoldedDifference(w1, w2, i, n, result)) return result;
    }
    return l1 - l2;
}

int32_t HOSTCALL CompareTextB(const char* s1, const char* s2) {
    if (s1 == s2) return 0;
    if (!s1) return -LengthOf(s2);
    if (!s2) return LengthOf(s1);
    const int32_t l1 = LengthOf(s1), l2 = LengthOf(s2);
    const int32_t n = SmallerLength(l1, l2);
    const char* e1 = s1 + n;
    const char* e2 = s2 + n;
    for (int32_t i = -n; i < 0; i += 4) {
        const uint32_t w1 = LoadWord(e1 + i), w2 = LoadWord(e2 + i);
        if (w1 == w2) continue;
        int32_t result;
        if (FoldedDifference(w1, w2, i, 0, result)) return result;
    }
    return l1 - l2;
}

int32_t HOSTCALL CompareTextC(const char* s1, const char* s2) {
    if (!s1) return -LengthOf(s2);
    if (!s2) return LengthOf(s1);
    const int32_t l1 = LengthOf(s1), l2 = LengthOf(s2);
    const int32_t n = SmallerLength(l1, l2);
    for (int32_t i = 0; i < n; i += 4) {
        if (LoadWord(s1 + i) == LoadWord(s2 + i)) continue;
        const int32_t end = n - i < 4 ? n - i : 4;
        for (int32_t j = 0; j < end; ++j) {
            int32_t b1 = Byte(s1, i + j), b2 = Byte(s2, i + j);
            if (static_cast<uint32_t>(b1 - 'a') < 26) b1 -= 0x20;
            if (static_cast<uint32_t>(b2 - 'a') < 26) b2 -= 0x20;
            if (b1 != b2) return (j & 1) ? (b1 - b2) * 256 : b1 - b2;
        }
    }
    return l1 - l2;
}

CompareTextRoutine CompareTextFor(uint8_t target) {
    return ByTarget<CompareTextRoutine>(target, {
        CompareTextB, CompareTextB, CompareTextB, CompareTextB, CompareTextC,
        CompareTextC, CompareTextA, CompareTextA, CompareTextB, CompareTextB});
}

}  // namespace toravex
