#include "fastcode/CompareMem.h"
#include "fastcode/FastcodeCPUID.h"

#include <emmintrin.h>
#include <pmmintrin.h>

namespace toravex {

namespace {

using Bytes = const uint8_t*;
// A 32-bit word at any address, read without breaking aliasing rules.
using UnalignedWord = uint32_t __attribute__((may_alias, aligned(1)));

inline uint32_t Word(Bytes p) { return *reinterpret_cast<const UnalignedWord*>(p); }

inline bool BytesEqual(Bytes a, Bytes b, int32_t n) {
    for (int32_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

// Non-zero when the 8 (16) bytes at a and b differ.
inline uint32_t Diff8(Bytes a, Bytes b) { return (Word(a) ^ Word(b)) | (Word(a + 4) ^ Word(b + 4)); }
inline uint32_t Diff16(Bytes a, Bytes b) { return Diff8(a, b) | Diff8(a + 8, b + 8); }

// Offset of the first 4-byte (16-byte) boundary after a: 1..4 (1..16), so
// the aligned steps start inside the head that was compared first.
inline int32_t NextBoundary(Bytes a, uintptr_t unit) {
    return static_cast<int32_t>(unit - (reinterpret_cast<uintptr_t>(a) & (unit - 1)));
}

// The middle of a block of n > 12 bytes whose first 4 and last 8 bytes are
// equal: 8 bytes a step with a aligned to 4, up to the last 8 bytes.
inline bool MiddleEqual(Bytes a, Bytes b, int32_t n) {
    for (int32_t i = NextBoundary(a, 4); i < n - 8; i += 8)
        if (Diff8(a + i, b + i)) return false;
    return true;
}

__attribute__((target("sse2"), always_inline)) inline bool Equal16(__m128i x, __m128i y) {
    return _mm_movemask_epi8(_mm_cmpeq_epi8(x, y)) == 0xFFFF;
}

// From the first 16-byte boundary after a: whole 16-byte blocks with a
// aligned. Returns the offset reached (the tail starts there) or -1 at the
// first difference.
__attribute__((target("sse2"), always_inline)) inline int32_t AlignedBlocksSse2(Bytes a, Bytes b, int32_t n) {
    int32_t i = NextBoundary(a, 16);
    for (; i <= n - 16; i += 16)
        if (!Equal16(_mm_load_si128(reinterpret_cast<const __m128i*>(a + i)),
                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i))))
            return -1;
    return i;
}

}  // namespace

__attribute__((target("sse3"))) bool HOSTCALL CompareMemA(const void* p1, const void* p2, int32_t length) {
    Bytes a = static_cast<Bytes>(p1), b = static_cast<Bytes>(p2);
    if (length < 4) return BytesEqual(a, b, length);
    if (length < 256) {
        for (int32_t i = 0; i < length - 4; i += 4)
            if (Word(a + i) != Word(b + i)) return false;
        return Word(a + length - 4) == Word(b + length - 4);
    }
    if (Diff16(a, b)) return false;
    for (int32_t i = NextBoundary(a, 16); i <= length - 16; i += 16)
        if (!Equal16(_mm_load_si128(reinterpret_cast<const __m128i*>(a + i)),
                     _mm_lddqu_si128(reinterpret_cast<const __m128i*>(b + i))))
            return false;
    return Equal16(_mm_lddqu_si128(reinterpret_cast<const __m128i*>(a + length - 16)),
                   _mm_lddqu_si128(reinterpret_cast<const __m128i*>(b + length - 16)));
}

__attribute__((target("sse2"))) bool HOSTCALL CompareMemB(const void* p1, const void* p2, int32_t length) {
    Bytes a = static_cast<Bytes>(p1), b = static_cast<Bytes>(p2);
    if (length < 32) return BytesEqual(a, b, length);
    if (Diff16(a, b)) return false;
    int32_t tail = AlignedBlocksSse2(a, b, length);
    return tail >= 0 && BytesEqual(a + tail, b + tail, length - tail);
}

__attribute__((target("sse2"))) bool HOSTCALL CompareMemC(const void* p1, const void* p2, int32_t length) {
    Bytes a = static_cast<Bytes>(p1), b = static_cast<Bytes>(p2);
    if (length < 32) return BytesEqual(a, b, length);
    if (Diff16(a, b)) return false;
    int32_t tail = AlignedBlocksSse2(a, b, length);
    return tail >= 0 && (tail == length || !Diff16(a + length - 16, b + length - 16));
}

bool HOSTCALL CompareMemD(const void* p1, const void* p2, int32_t length) {
    Bytes a = static_cast<Bytes>(p1), b = static_cast<Bytes>(p2);
    if (length < 8) return BytesEqual(a, b, length);
    if (Word(a) != Word(b) || Diff8(a + length - 8, b + length - 8)) return false;
    for (int32_t i = NextBoundary(a, 4); i < length - 8; i += 8)
        if (Word(a + i) != Word(b + i) || Word(a + i + 4) != Word(b + i + 4)) return false;
    return true;
}

bool HOSTCALL CompareMemE(const void* p1, const void* p2, int32_t length) {
    Bytes a = static_cast<Bytes>(p1), b = static_cast<Bytes>(p2);
    if (length < 8) return BytesEqual(a, b, length);
    if ((Word(a) ^ Word(b)) | Diff8(a + length - 8, b + length - 8)) return false;
    return length <= 12 || MiddleEqual(a, b, length);
}

bool HOSTCALL CompareMemF(const void* p1, const void* p2, int32_t length) {
    Bytes a = static_cast<Bytes>(p1), b = static_cast<Bytes>(p2);
    if (length < 8) return BytesEqual(a, b, length);
    if (Word(a) != Word(b)) return false;
    if (Diff8(a + length - 8, b + length - 8)) return false;
    return length <= 12 || MiddleEqual(a, b, length);
}

CompareMemRoutine CompareMemFor(uint8_t target) {
    return ByTarget<CompareMemRoutine>(target, {
        CompareMemF, CompareMemF, CompareMemF, CompareMemC, CompareMemD,
        CompareMemD, CompareMemB, CompareMemA, CompareMemE, CompareMemE});
}

}  // namespace toravex
