// Building blocks of the string routine families: the host's counted-string
// layout, word access at any address, and the four-bytes-at-a-time tricks
// for zero bytes, byte search and ASCII case folding.
//
// Counted strings are stored in whole 4-byte units counted from their first
// character, so a 32-bit read that starts at or before the terminating zero
// stays inside the string's storage. Zero-terminated strings give no such
// promise: their routines read aligned units (which never cross a page) or
// prove a read stays inside the page.
#pragma once

#include <cstdint>

#include "HostCall.h"

namespace toravex::strings {

typedef uint32_t UnalignedWord __attribute__((aligned(1), may_alias));
typedef uint16_t UnalignedHalf __attribute__((aligned(1), may_alias));

inline uint32_t LoadWord(const void* p) { return *static_cast<const UnalignedWord*>(p); }
inline void StoreWord(void* p, uint32_t w) { *static_cast<UnalignedWord*>(p) = w; }
inline uint16_t LoadHalf(const void* p) { return *static_cast<const UnalignedHalf*>(p); }
inline void StoreHalf(void* p, uint16_t h) { *static_cast<UnalignedHalf*>(p) = h; }

inline int32_t Byte(const char* s, int32_t i) { return static_cast<uint8_t>(s[i]); }

// Length of a counted string (null is the empty string).
inline int32_t LengthOf(const char* s) { return s ? reinterpret_cast<const int32_t*>(s)[-1] : 0; }

// The smaller of two lengths without a branch: the borrow of a - b selects it.
inline int32_t SmallerLength(int32_t a, int32_t b) {
    const int32_t d = a - b;
    return b + (d & (d >> 31));
}

inline uintptr_t Address(const void* p) { return reinterpret_cast<uintptr_t>(p); }
template <class T>
inline T* AlignDown(T* p, uintptr_t unit) {
    return reinterpret_cast<T*>(Address(p) & ~(unit - 1));
}

// Copies n bytes (none when n <= 0); the regions do not overlap. Never a
// call of the C runtime, whose block copy may be this plug-in's own. Short
// pieces word by word (a string move's start-up costs more than they do).
inline void CopyChars(char* d, const char* s, int32_t n) {
    if (n >= 64) {
        uint32_t words = static_cast<uint32_t>(n) >> 2, rest = static_cast<uint32_t>(n) & 3;
        __asm__ volatile("rep movsl" : "+D"(d), "+S"(s), "+c"(words) : : "memory");
        __asm__ volatile("rep movsb" : "+D"(d), "+S"(s), "+c"(rest) : : "memory");
        return;
    }
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) StoreWord(d + i, LoadWord(s + i));
    for (; i < n; ++i) d[i] = s[i];
}

// Marks the zero bytes of w with their bit 7. The lowest mark is exact;
// marks above a zero byte may be false.
inline uint32_t ZeroBytes(uint32_t w) { return (w - 0x01010101u) & ~w & 0x80808080u; }
// Byte index (0-3) of the lowest set bit of a non-zero word.
inline int32_t FirstMarkedByte(uint32_t marks) { return __builtin_ctz(marks) >> 3; }
constexpr uint32_t Repeat4(uint8_t c) { return c * 0x01010101u; }

// Flips bit 0x20 in exactly the bytes from `first` to `first` + 25, four at
// a time (first is 'a' or 'A'; bytes of 0x80 and above are never touched):
// after the two subtractions bit 7 of a byte is set only inside the range.
template <uint8_t first>
inline uint32_t FlipCase4(uint32_t w) {
    constexpr uint32_t kAboveRange = Repeat4(static_cast<uint8_t>(first + 26));
    const uint32_t high = w | 0x80808080u;
    const uint32_t ascii = high ^ w;  // bit 7 set in the bytes below 0x80
    uint32_t t = high - kAboveRange;  // bit 7 clear from the end of the range up
    t = ((t | 0x80808080u) - 0x66666666u) & ascii;  // bit 7 set from `first` up, within the above
    return w ^ (t >> 2);
}
inline uint32_t Upper4(uint32_t w) { return FlipCase4<'a'>(w); }
inline uint32_t Lower4(uint32_t w) { return FlipCase4<'A'>(w); }

// One byte at a time: the ASCII folds as 256-byte tables.
struct CaseTables {
    uint8_t upper[256];
    uint8_t lower[256];
};
constexpr CaseTables MakeCaseTables() {
    CaseTables t{};
    for (int b = 0; b < 256; ++b) {
        t.upper[b] = static_cast<uint8_t>(b >= 'a' && b <= 'z' ? b - 32 : b);
        t.lower[b] = static_cast<uint8_t>(b >= 'A' && b <= 'Z' ? b + 32 : b);
    }
    return t;
}
inline constexpr CaseTables kAsciiCase = MakeCaseTables();

}  // namespace toravex::strings
