#include "fastcode/CompareStr.h"

#include "fastcode/FastcodeCPUID.h"
#include "fastcode/StringBlocks.h"

namespace toravex {

using namespace strings;

namespace {

// Big-endian value of the byte pair at s: the first byte decides.
inline int32_t Pair(const char* s) { return (Byte(s, 0) << 8) | Byte(s, 1); }

// The first word of C and D. Both first bytes are equal and both strings
// are non-empty, so the first word lies inside both strings' storage.
// Returns true with the result when the first word decides.
inline bool FirstWordDecides(const char* s1, const char* s2, int32_t& result) {
    const uint32_t w1 = LoadWord(s1), w2 = LoadWord(s2);
    if (w1 == w2) return false;
    // A length-1 string contributes its terminating zero as second byte.
    if (s1[1] != s2[1]) {
        result = Byte(s1, 1) - Byte(s2, 1);
        return true;
    }
    const int32_t l1 = LengthOf(s1), l2 = LengthOf(s2);
    if (l1 <= 2 || l2 <= 2) {
        result = l1 - l2;  // the words differ only beyond a terminator
        return true;
    }
    result = static_cast<int32_t>(__builtin_bswap32(w1) - __builtin_bswap32(w2));
    return true;
}

// The start C and D share: same pointer, null operands (caught by a cheap
// AND pre-test), the first bytes, the first word. True with the result when
// it decides.
inline bool StartDecides(const char* s1, const char* s2, int32_t& result) {
    if (s1 == s2) {
        result = 0;
    } else if ((Address(s1) & Address(s2)) == 0 && (!s1 || !s2)) {
        result = s1 ? LengthOf(s1) : -LengthOf(s2);
    } else if (s1[0] != s2[0]) {
        result = Byte(s1, 0) - Byte(s2, 0);
    } else {
        return FirstWordDecides(s1, s2, result);
    }
    return true;
}

// The word walk of B and C over the common length n of both strings, from
// the index `from` (negative, counting up to 0 at the end of the common
// part): the first unequal byte inside it decides, else the lengths.
inline int32_t WalkWords(const char* s1, const char* s2, int32_t l1, int32_t l2, int32_t n, int32_t from) {
    const char* e1 = s1 + n;
    const char* e2 = s2 + n;
    for (int32_t i = from; i < 0; i += 4) {
        const uint32_t x = LoadWord(e1 + i) ^ LoadWord(e2 + i);
        if (x == 0) continue;
        const int32_t k = i + FirstMarkedByte(x);
        if (k < 0) return Byte(e1, k) - Byte(e2, k);
        break;
    }
    return l1 - l2;
}

}  // namespace

int32_t HOSTCALL CompareStrA(const char* s1, const char* s2) {
    if (s1 == s2) return 0;
    if (!s1) return -LengthOf(s2);
    if (!s2) return LengthOf(s1);
    if (s1[0] != s2[0]) return Byte(s1, 0) - Byte(s2, 0);
    const int32_t l1 = LengthOf(s1), l2 = LengthOf(s2);
    const int32_t n = l1 < l2 ? l1 : l2;
    for (int32_t i = 0; i < n; i += 4) {
        const uint32_t x = LoadWord(s1 + i) ^ LoadWord(s2 + i);
        if (x == 0) continue;
        const int32_t k = i + FirstMarkedByte(x);
        if (k < n) return Byte(s1, k) - Byte(s2, k);
        break;
    }
    return l1 - l2;
}

int32_t HOSTCALL CompareStrB(const char* s1, const char* s2) {
    if (s1 == s2) return 0;
    if (!s1) return -LengthOf(s2);
    if (!s2) return LengthOf(s1);
    if (s1[0] != s2[0]) return Byte(s1, 0) - Byte(s2, 0);
    const int32_t l1 = LengthOf(s1), l2 = LengthOf(s2);
    const int32_t n = SmallerLength(l1, l2);
    return WalkWords(s1, s2, l1, l2, n, -n);
}

int32_t HOSTCALL CompareStrC(const char* s1, const char* s2) {
    int32_t result;
    if (StartDecides(s1, s2, result)) return result;
    const int32_t l1 = LengthOf(s1), l2 = LengthOf(s2);
    const int32_t n = SmallerLength(l1, l2);
    return WalkWords(s1, s2, l1, l2, n, 4 - n);
}

int32_t HOSTCALL CompareStrD(const char* s1, const char* s2) {
    int32_t result;
    if (StartDecides(s1, s2, result)) return result;
    const int32_t l1 = LengthOf(s1), l2 = LengthOf(s2);
    const int32_t n = SmallerLength(l1, l2);
    const char* e1 = s1 + n;
    const char* e2 = s2 + n;
    for (int32_t i = 4 - n; i < 0; i += 4) {
        const uint32_t x = LoadWord(e1 + i) ^ LoadWord(e2 + i);
        if (x == 0) continue;
        // The low pair starts inside both strings; its second byte is at
        // most the shorter string's terminator, which sorts it first.
        if (x & 0xFFFF) return Pair(e1 + i) - Pair(e2 + i);
        // The high pair counts only with at least 3 of the 4 bytes inside.
        if (i + 2 < 0) return Pair(e1 + i + 2) - Pair(e2 + i + 2);
        break;
    }
    return l1 - l2;
}

CompareStrRoutine CompareStrFor(uint8_t target) {
    return ByTarget<CompareStrRoutine>(target, {
        CompareStrC, CompareStrC, CompareStrC, CompareStrC, CompareStrC,
        CompareStrB, CompareStrA, CompareStrA, CompareStrC, CompareStrD});
}

}  // namespace toravex
