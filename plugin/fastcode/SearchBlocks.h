// Building blocks of the substring searches (Pos, PosEx): finding a
// candidate by one character of the pattern, and verifying the rest of the
// pattern at a candidate. Reads stay inside both strings.
#pragma once

#include "fastcode/StringBlocks.h"

namespace toravex::strings {

// The 0-based start index of a search for m bytes in n bytes from the
// 1-based offset, or -1 when there is nothing to search: offset below 1 (the
// start then wraps above any room), an empty pattern, or a pattern that does
// not fit between the start and the end.
inline int32_t SearchStart(int32_t m, int32_t n, int32_t offset) {
    const uint32_t start = static_cast<uint32_t>(offset) - 1;
    const int32_t room = n - m;
    if (((m - 1) | room) < 0 || start > static_cast<uint32_t>(room)) return -1;
    return static_cast<int32_t>(start);
}

// The pattern sub (m bytes) at `at`, whose last byte is known to match:
// short patterns by their first two bytes, longer ones by their last word,
// then word by word from the start.
inline bool MatchesGivenLast(const char* sub, int32_t m, const char* at) {
    if (m < 4) return m == 1 || LoadHalf(at) == LoadHalf(sub);
    if (LoadWord(at + m - 4) != LoadWord(sub + m - 4)) return false;
    for (int32_t i = 0; i < m - 4; i += 4)
        if (LoadWord(at + i) != LoadWord(sub + i)) return false;
    return true;
}

// The same, backwards two bytes at a time.
inline bool MatchesBackwardGivenLast(const char* sub, int32_t m, const char* at) {
    int32_t i = m - 3;
    for (; i >= 0; i -= 2)
        if (LoadHalf(at + i) != LoadHalf(sub + i)) return false;
    return i != -1 || at[0] == sub[0];
}

// The pattern at `at`, whose first byte is known to match, backwards two
// bytes at a time.
inline bool MatchesBackwardGivenFirst(const char* sub, int32_t m, const char* at) {
    for (int32_t i = m - 2; i >= 0; i -= 2)
        if (LoadHalf(at + i) != LoadHalf(sub + i)) return false;
    return true;
}

// 1-based position in s (n bytes) of the first occurrence of sub (m bytes,
// 1 <= m <= n) whose last byte lies at index `from` or later; 0 if none.
// Looks for the last byte four bytes at a time, two words per step.
inline int32_t FindByLastByte(const char* sub, int32_t m, const char* s, int32_t n, int32_t from) {
    const char last = sub[m - 1];
    const uint32_t pattern = Repeat4(static_cast<uint8_t>(last));
    auto marksAt = [&](int32_t p) { return ZeroBytes(LoadWord(s + p) ^ pattern); };
    int32_t p = from;
    while (p <= n - 4) {
        int32_t q;
        if (p <= n - 8) {
            const uint32_t low = marksAt(p), high = marksAt(p + 4);
            if ((low | high) == 0) {
                p += 8;
                continue;
            }
            q = p + (low ? FirstMarkedByte(low) : 4 + FirstMarkedByte(high));
        } else {
            const uint32_t marks = marksAt(p);
            if (marks == 0) {
                p += 4;
                continue;
            }
            q = p + FirstMarkedByte(marks);
        }
        if (MatchesGivenLast(sub, m, s + q - (m - 1))) return q - m + 2;
        p = q + 1;
    }
    for (; p < n; ++p)
        if (s[p] == last && MatchesGivenLast(sub, m, s + p - (m - 1))) return p - m + 2;
    return 0;
}

}  // namespace toravex::strings
