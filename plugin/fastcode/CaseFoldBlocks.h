// Case folding blocks of UpperCase and LowerCase: four bytes at a time in
// general registers, eight at a time in MMX registers (plain MMX, or MMX
// with the SSE integer extensions) and sixteen at a time with SSE2. Every
// block reads its source bytes and writes their fold to the same offset of
// the destination, so blocks may overlap.
#pragma once

#include <emmintrin.h>
#include <mmintrin.h>
#include <xmmintrin.h>

#include "fastcode/StringBlocks.h"

namespace toravex::strings {

#define TORAVEX_MMX __attribute__((target("mmx"), always_inline))
#define TORAVEX_MMX_SSE __attribute__((target("mmx,sse"), always_inline))
#define TORAVEX_SSE2 __attribute__((target("sse2"), always_inline))

// Four bytes at a time for strings of up to 32 characters: the word ending
// at the last character first, then the others. For lengths below 4 that
// word reaches back into the length fields of source and result; there it
// meets the zero high bytes of the two equal lengths, which the fold keeps.
template <uint32_t (*Fold)(uint32_t)>
inline void FoldWordsFromStart(const char* s, char* d, int32_t n) {
    StoreWord(d + n - 4, Fold(LoadWord(s + n - 4)));
    for (int32_t i = 0; i < n - 4; i += 4) StoreWord(d + i, Fold(LoadWord(s + i)));
}
template <uint32_t (*Fold)(uint32_t)>
inline void FoldWordsTopDown(const char* s, char* d, int32_t n) {
    StoreWord(d + n - 4, Fold(LoadWord(s + n - 4)));
    for (int32_t i = (n - 5) & ~3; i >= 0; i -= 4) StoreWord(d + i, Fold(LoadWord(s + i)));
}

// Per byte: add `bias` so that the range lands on 0x66-0x7F, the only
// values above 0x65 as signed bytes; the mask of those gives 0x20.
struct MmxFold {
    __m64 bias, limit, bit;
    TORAVEX_MMX explicit MmxFold(char rangeBias)
        : bias(_mm_set1_pi8(rangeBias)), limit(_mm_set1_pi8(0x65)), bit(_mm_set1_pi8(0x20)) {}
    TORAVEX_MMX __m64 Mask(__m64 v) const { return _mm_and_si64(_mm_cmpgt_pi8(_mm_add_pi8(v, bias), limit), bit); }
    TORAVEX_MMX void Upper8(const char* s, char* d) const {
        const __m64 v = *reinterpret_cast<const __m64_u*>(s);
        *reinterpret_cast<__m64_u*>(d) = _mm_sub_pi8(v, Mask(v));
    }
    TORAVEX_MMX void Lower8(const char* s, char* d) const {
        const __m64 v = *reinterpret_cast<const __m64_u*>(s);
        *reinterpret_cast<__m64_u*>(d) = _mm_add_pi8(v, Mask(v));
    }
    TORAVEX_MMX void Upper16(const char* s, char* d) const {
        Upper8(s, d);
        Upper8(s + 8, d + 8);
    }
    TORAVEX_MMX void Lower16(const char* s, char* d) const {
        Lower8(s, d);
        Lower8(s + 8, d + 8);
    }
};

// The MMX fold with the SSE integer extensions: the same fold, the source
// fetched ahead with a non-temporal hint.
struct MmxSseUpperFold {
    MmxFold fold;
    TORAVEX_MMX_SSE MmxSseUpperFold() : fold(5) {}
    TORAVEX_MMX_SSE void Upper16(const char* s, char* d) const {
        _mm_prefetch(s + 128, _MM_HINT_NTA);
        fold.Upper16(s, d);
    }
};

struct Sse2UpperFold {
    __m128i bias, limit, bit;
    TORAVEX_SSE2 Sse2UpperFold() : bias(_mm_set1_epi8(5)), limit(_mm_set1_epi8(0x65)), bit(_mm_set1_epi8(0x20)) {}
    TORAVEX_SSE2 __m128i Fold(__m128i v) const {
        return _mm_sub_epi8(v, _mm_and_si128(_mm_cmpgt_epi8(_mm_add_epi8(v, bias), limit), bit));
    }
    TORAVEX_SSE2 void Upper16(const char* s, char* d) const {
        _mm_storeu_si128(reinterpret_cast<__m128i_u*>(d),
                         Fold(_mm_loadu_si128(reinterpret_cast<const __m128i_u*>(s))));
    }
    // Destination aligned to 16.
    TORAVEX_SSE2 void Upper16Aligned(const char* s, char* d) const {
        _mm_store_si128(reinterpret_cast<__m128i*>(d), Fold(_mm_loadu_si128(reinterpret_cast<const __m128i_u*>(s))));
    }
};

// First destination offset of the middle blocks of a string longer than 32:
// after the 16 bytes at the start, at the destination's next 16-byte boundary.
inline int32_t AlignedMiddleStart(const char* d) { return 16 - static_cast<int32_t>(Address(d) & 15); }

}  // namespace toravex::strings
