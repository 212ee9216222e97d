#include "fastcode/StrLen.h"

#include <emmintrin.h>

#include "fastcode/FastcodeCPUID.h"
#include "fastcode/StringBlocks.h"

namespace toravex {

using namespace strings;

namespace {

constexpr uintptr_t kPageSize = 4096;

// Whether 16 bytes read from p could reach into the next page: p + 16 lies
// in the first 16 bytes of a page.
inline bool BlockMayCrossPage(const char* p) { return ((Address(p) + 16) & (kPageSize - 1)) < 16; }

__attribute__((target("sse2"), always_inline)) inline uint32_t ZeroMask(__m128i v) {
    return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())));
}

// From the aligned block p on, the index in s of the first zero byte.
__attribute__((target("sse2"), always_inline)) inline int32_t ScanAlignedBlocks(const char* s, const char* p) {
    for (;; p += 16) {
        const uint32_t zeros = ZeroMask(_mm_load_si128(reinterpret_cast<const __m128i*>(p)));
        if (zeros) return static_cast<int32_t>(p - s) + __builtin_ctz(zeros);
    }
}

}  // namespace

__attribute__((target("sse2"))) int32_t HOSTCALL StrLenA(const char* s) {
    const char* p = s;
    for (; BlockMayCrossPage(p); ++p)
        if (*p == 0) return static_cast<int32_t>(p - s);
    const uint32_t zeros = ZeroMask(_mm_loadu_si128(reinterpret_cast<const __m128i_u*>(p)));
    if (zeros) return static_cast<int32_t>(p - s) + __builtin_ctz(zeros);
    return ScanAlignedBlocks(s, AlignDown(p + 16, 16));
}

int32_t HOSTCALL StrLenB(const char* s) {
    for (int32_t i = 0; i < 4; ++i)
        if (s[i] == 0) return i;
    for (const char* p = AlignDown(s + 4, 4);; p += 4) {
        const uint32_t zeros = ZeroBytes(LoadWord(p));
        if (zeros) return static_cast<int32_t>(p - s) + FirstMarkedByte(zeros);
    }
}

__attribute__((target("sse2"))) int32_t HOSTCALL StrLenC(const char* s) {
    if (!BlockMayCrossPage(s)) {
        const uint32_t zeros = ZeroMask(_mm_loadu_si128(reinterpret_cast<const __m128i_u*>(s)));
        if (zeros) return __builtin_ctz(zeros);
        return ScanAlignedBlocks(s, AlignDown(s + 16, 16));
    }
    const char* p = s;
    for (; Address(p) & 15; ++p)
        if (*p == 0) return static_cast<int32_t>(p - s);
    return ScanAlignedBlocks(s, p);
}

StrLenRoutine StrLenFor(uint8_t target) {
    return ByTarget<StrLenRoutine>(target, {
        StrLenB, StrLenB, StrLenB, StrLenC, StrLenA,
        StrLenA, StrLenC, StrLenA, StrLenA, StrLenA});
}

}  // namespace toravex
