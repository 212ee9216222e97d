// The comparison families against plain comparisons: every length to 300,
// every relative alignment, operands ending at a no-access page, bytes over
// the whole range, null counted strings, both argument orders.
#include <functional>
#include <vector>

#include "StringTestSupport.h"
#include "fastcode/CompareStr.h"
#include "fastcode/CompareText.h"
#include "fastcode/StrComp.h"
#include "fastcode/StrIComp.h"

using namespace fastcodetest;
using namespace toravex;

namespace {

using Compare = int32_t(HOSTCALL*)(const char*, const char*);

// How much of a non-zero result a variant fixes beyond its sign.
enum class Magnitude { Exact, OrBytePair, OrTimes256, SignOnly };
struct Variant {
    const char* name;
    Compare fn;
    Magnitude magnitude;
};

const Variant kCompareStr[] = {{"CompareStrA", CompareStrA, Magnitude::Exact},
                               {"CompareStrB", CompareStrB, Magnitude::Exact},
                               {"CompareStrC", CompareStrC, Magnitude::OrBytePair},
                               {"CompareStrD", CompareStrD, Magnitude::OrBytePair}};
const Variant kCompareText[] = {{"CompareTextA", CompareTextA, Magnitude::Exact},
                                {"CompareTextB", CompareTextB, Magnitude::Exact},
                                {"CompareTextC", CompareTextC, Magnitude::OrTimes256}};
const Variant kStrComp[] = {{"StrCompA", StrCompA, Magnitude::SignOnly}, {"StrCompB", StrCompB, Magnitude::Exact}};
const Variant kStrIComp[] = {{"StrICompA", StrICompA, Magnitude::Exact}};

// Big-endian difference of the byte pair holding the first difference
// (the zero byte after a string's end counts as its byte there).
int PairDifference(const std::string& a, const std::string& b) {
    auto at = [](const std::string& s, size_t i) { return i < s.size() ? static_cast<unsigned char>(s[i]) : 0; };
    size_t k = 0;
    while (k < a.size() && k < b.size() && a[k] == b[k]) ++k;
    k &= ~size_t{1};
    return (at(a, k) << 8 | at(a, k + 1)) - (at(b, k) << 8 | at(b, k + 1));
}

void Check(const Variant& v, int32_t got, int expected, const std::string& a, const std::string& b) {
    bool ok = Sign(got) == Sign(expected);
    if (ok && expected != 0) {
        switch (v.magnitude) {
            case Magnitude::Exact: ok = got == expected; break;
            case Magnitude::OrBytePair: ok = got == expected || got == PairDifference(a, b); break;
            case Magnitude::OrTimes256: ok = got == expected || got == expected * 256; break;
            case Magnitude::SignOnly: ok = got == Sign(expected); break;
        }
    }
    if (!ok)
        ADD_FAILURE() << v.name << " gave " << got << ", expected " << expected << " for lengths " << a.size()
                      << ", " << b.size();
}

// Second operands for a first one: equal, differing at the start, at the
// end and somewhere inside, one byte shorter and longer, and (for the
// folding routines) with the case of its letters flipped.
std::vector<std::string> Partners(const std::string& a, Rng& rng, bool fold, bool zeroTerminated) {
    const int lowest = zeroTerminated ? 1 : 0;
    std::vector<std::string> out{a};
    const size_t n = a.size();
    for (size_t at : {size_t{0}, n - 1, n / 2, static_cast<size_t>(rng() % (n + 1))}) {
        if (at >= n) continue;
        std::string b = a;
        b[at] = static_cast<char>(lowest + rng() % (256 - lowest));
        out.push_back(b);
    }
    if (n > 0) out.push_back(a.substr(0, n - 1));
    out.push_back(a + static_cast<char>(lowest + rng() % (256 - lowest)));
    if (fold) {
        out.push_back(FlipAsciiCase(a));
        std::string b = FlipAsciiCase(a);
        if (n > 0) b[rng() % n] ^= 0x20;  // one byte changed by its case bit only
        out.push_back(b);
    }
    return out;
}

template <size_t N>
void CompareEverything(const Variant (&variants)[N], bool fold, bool zeroTerminated, int seed) {
    GuardedRegion r1, r2;
    Rng rng(seed);
    for (int length = 0; length <= 300; ++length) {
        for (int pad = 0; pad < 16; ++pad) {
            const std::string a = zeroTerminated ? (fold ? CaseSensitiveBytes(rng, length, false)
                                                         : RandomBytes(rng, length, 1, 255))
                                                 : (fold ? CaseSensitiveBytes(rng, length) : RandomBytes(rng, length));
            for (const std::string& b : Partners(a, rng, fold, zeroTerminated)) {
                auto place = [&](GuardedRegion& r, const std::string& s, int p) {
                    return zeroTerminated ? PlaceZ(r, s, p) : PlaceCounted(r, s, p, rng);
                };
                const char* x = place(r1, a, pad);
                const char* y = place(r2, b, 0);
                const int forward = zeroTerminated ? CompareZ(a, b, fold) : CompareBytes(a, b, fold);
                const int backward = zeroTerminated ? CompareZ(b, a, fold) : CompareBytes(b, a, fold);
                for (const Variant& v : variants) {
                    Check(v, v.fn(x, y), forward, a, b);
                    Check(v, v.fn(y, x), backward, b, a);
                    if (x) Check(v, v.fn(x, x), 0, a, a);
                }
                if (::testing::Test::HasFailure()) return;
            }
        }
    }
}

}  // namespace

TEST(CompareStrTest, EveryVariantOrdersLikeABytewiseComparison) { CompareEverything(kCompareStr, false, false, 1); }
TEST(CompareTextTest, EveryVariantOrdersLikeAFoldedComparison) { CompareEverything(kCompareText, true, false, 2); }
TEST(StrCompTest, EveryVariantOrdersLikeABytewiseComparison) { CompareEverything(kStrComp, false, true, 3); }
TEST(StrICompTest, EveryVariantOrdersLikeAFoldedComparison) { CompareEverything(kStrIComp, true, true, 4); }

TEST(CompareStrTest, NullOperandsCompareByTheOtherLength) {
    GuardedRegion r;
    Rng rng(5);
    const char* a = PlaceCounted(r, "A", 0, rng);
    const char* abc = PlaceCounted(r, "abc", 64, rng);
    std::vector<Variant> counted(std::begin(kCompareStr), std::end(kCompareStr));
    counted.insert(counted.end(), std::begin(kCompareText), std::end(kCompareText));
    for (const Variant& v : counted) {
        EXPECT_EQ(v.fn(nullptr, a), -1) << v.name;
        EXPECT_EQ(v.fn(abc, nullptr), 3) << v.name;
        EXPECT_EQ(v.fn(nullptr, nullptr), 0) << v.name;
    }
}
