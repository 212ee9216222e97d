#include "fastcode/StrCopy.h"

#include <mmintrin.h>

#include "fastcode/FastcodeCPUID.h"
#include "fastcode/StringBlocks.h"

namespace toravex {

using namespace strings;

namespace {

// Copies bytes up to and including the zero byte.
inline void CopyBytes(char* d, const char* s) {
    while ((*d++ = *s++) != 0) {
    }
}

}  // namespace

// A block is stored whole only when Dest lies at least 8 bytes below Source
// or anywhere above it, so no store overwrites source bytes not yet read.
__attribute__((target("mmx"))) char* HOSTCALL StrCopyA(char* dest, const char* source) {
    if (Address(source) - Address(dest) < 8) {
        CopyBytes(dest, source);
        return dest;
    }
    for (int32_t i = 0; i < 8; ++i)
        if ((dest[i] = source[i]) == 0) return dest;
    const __m64 zero = _mm_setzero_si64();
    const char* block = AlignDown(source + 8, 8);
    for (;; block += 8) {
        const __m64 v = *reinterpret_cast<const __m64*>(block);
        const __m64 zeros = _mm_cmpeq_pi8(v, zero);
        if (_mm_cvtsi64_si32(_mm_packs_pi16(zeros, zeros)) != 0) break;
        *reinterpret_cast<__m64_u*>(dest + (block - source)) = v;
    }
    _mm_empty();
    CopyBytes(dest + (block - source), block);
    return dest;
}

// The 16-bit units are read at even source addresses, so that a unit read
// at the zero byte never reaches into a page beyond the string.
char* HOSTCALL StrCopyB(char* dest, const char* source) {
    char* d = dest;
    const char* s = source;
    if (Address(s) & 1) {
        if ((*d++ = *s++) == 0) return dest;
    }
    for (;;) {
#pragma GCC unroll 8
        for (int k = 0; k < 8; ++k) {
            const uint16_t unit = LoadHalf(s);
            if ((unit & 0xFF) == 0) {
                *d = 0;
                return dest;
            }
            StoreHalf(d, unit);
            if (unit < 256) return dest;  // its high byte was the zero byte
            d += 2;
            s += 2;
        }
    }
}

char* HOSTCALL StrCopyC(char* dest, const char* source) {
    for (int32_t i = 0;; i += 32) {
#pragma GCC unroll 32
        for (int32_t k = 0; k < 32; ++k)
            if ((dest[i + k] = source[i + k]) == 0) return dest;
    }
}

StrCopyRoutine StrCopyFor(uint8_t target) {
    return ByTarget<StrCopyRoutine>(target, {
        StrCopyB, StrCopyB, StrCopyB, StrCopyB, StrCopyA,
        StrCopyA, StrCopyB, StrCopyB, StrCopyC, StrCopyA});
}

}  // namespace toravex
