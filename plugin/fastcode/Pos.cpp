#include "fastcode/Pos.h"

#include <emmintrin.h>

#include "fastcode/FastcodeCPUID.h"
#include "fastcode/SearchBlocks.h"

namespace toravex {

using namespace strings;

int32_t HOSTCALL PosA(const char* subStr, const char* s) {
    const int32_t m = LengthOf(subStr), n = LengthOf(s);
    if (((m - 1) | (n - m)) < 0) return 0;  // SubStr empty, or longer than S
    return FindByLastByte(subStr, m, s, n, m - 1);
}

// Candidates are the positions 0 to n - m holding the first character. The
// search reads aligned 16-byte blocks, which never cross a page: the first
// one may start before S, the last one may reach beyond S's last candidate;
// bits outside the candidates are discarded.
__attribute__((target("sse2"))) int32_t HOSTCALL PosB(const char* subStr, const char* s) {
    const int32_t m = LengthOf(subStr), n = LengthOf(s);
    if (((m - 1) | (n - m)) < 0) return 0;
    const int32_t lastCandidate = n - m;
    const __m128i first = _mm_set1_epi8(subStr[0]);
    const char* block = AlignDown(s, 16);
    auto hitsAt = [first](const char* b) __attribute__((target("sse2"))) {
        const __m128i v = _mm_load_si128(reinterpret_cast<const __m128i*>(b));
        return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, first)));
    };
    int32_t base = static_cast<int32_t>(block - s);
    uint32_t hits = hitsAt(block) >> -base << -base;  // drop the bytes before S
    for (;;) {
        for (; hits != 0; hits &= hits - 1) {
            const int32_t k = base + __builtin_ctz(hits);
            if (k > lastCandidate) return 0;
            if (MatchesBackwardGivenFirst(subStr, m, s + k)) return k + 1;
        }
        block += 16;
        base += 16;
        if (base > lastCandidate) return 0;
        hits = hitsAt(block);
    }
}

PosRoutine PosFor(uint8_t target) {
    return ByTarget<PosRoutine>(target, {PosA, PosA, PosA, PosA, PosB, PosB, PosA, PosA, PosA, PosA});
}

}  // namespace toravex
