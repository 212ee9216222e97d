// Case conversion, search, length and copy families against plain
// references, over every length to 300 and every alignment, with strings
// ending at a no-access page; and every SIMD variant from a misaligned stack.
#include <cstring>
#include <vector>

#include "StringTestSupport.h"
#include "base/HostString.h"
#include "fastcode/LowerCase.h"
#include "fastcode/Pos.h"
#include "fastcode/PosEx.h"
#include "fastcode/StrCopy.h"
#include "fastcode/StrLen.h"
#include "fastcode/UpperCase.h"

using namespace fastcodetest;
using namespace toravex;
using toravex::HostString;

namespace {

template <class Fn>
struct Named {
    const char* name;
    Fn fn;
};
using CaseFn = void(HOSTCALL*)(const char*, char**);
const Named<CaseFn> kUpper[] = {
    {"UpperCaseA", UpperCaseA}, {"UpperCaseB", UpperCaseB}, {"UpperCaseC", UpperCaseC}, {"UpperCaseD", UpperCaseD}};
const Named<CaseFn> kLower[] = {{"LowerCaseA", LowerCaseA}, {"LowerCaseB", LowerCaseB}};
const Named<PosRoutine> kPos[] = {{"PosA", PosA}, {"PosB", PosB}};
const Named<PosExRoutine> kPosEx[] = {{"PosExA", PosExA}, {"PosExB", PosExB}};
const Named<StrLenRoutine> kStrLen[] = {{"StrLenA", StrLenA}, {"StrLenB", StrLenB}, {"StrLenC", StrLenC}};
const Named<StrCopyRoutine> kStrCopy[] = {{"StrCopyA", StrCopyA}, {"StrCopyB", StrCopyB}, {"StrCopyC", StrCopyC}};

class CaseConversionTest : public RuntimeTest {};

// Converts, checks and releases the result: a fresh host string (nil when
// empty) holding the expected text.
void ExpectConversion(const Named<CaseFn>& v, const char* source, const std::string& expected) {
    char* result = nullptr;
    v.fn(source, &result);
    EXPECT_EQ(HostText(result), expected) << v.name << " of length " << expected.size();
    if (result) {
        EXPECT_EQ(RefCount(result), 1) << v.name;
    }
    Runtime().lstrClr(&result);
}

int NaivePos(const std::string& sub, const std::string& s, int offset) {
    if (sub.empty() || offset < 1 || offset - 1 + sub.size() > s.size()) return 0;
    const size_t at = s.find(sub, offset - 1);
    return at == std::string::npos ? 0 : static_cast<int>(at) + 1;
}

}  // namespace

TEST_F(CaseConversionTest, EveryVariantFoldsOnlyAsciiLettersAtEveryLengthAndAlignment) {
    GuardedRegion region;
    Rng rng(11);
    for (int length = 0; length <= 300; ++length) {
        for (int pad = 0; pad < 16; ++pad) {
            const std::string text = length % 2 ? CaseSensitiveBytes(rng, length) : RandomBytes(rng, length);
            const char* s = PlaceCounted(region, text, pad, rng);
            for (const auto& v : kUpper) ExpectConversion(v, s, AsciiUpper(text));
            for (const auto& v : kLower) ExpectConversion(v, s, AsciiLower(text));
            if (HasFailure()) return;
        }
    }
}

TEST_F(CaseConversionTest, TheResultVariableMayHoldTheSource) {
    const std::string text = "Mixed Case Text, long enough for the wide path: abcXYZ";
    auto check = [&](const Named<CaseFn>& v, const std::string& expected) {
        char* var = nullptr;
        Runtime().lstrFromPCharLen(&var, text.data(), static_cast<int32_t>(text.size()));
        char* shared = nullptr;
        Runtime().lstrAsg(&shared, var);
        v.fn(var, &var);  // S := UpperCase(S) while another variable shares S
        EXPECT_EQ(HostText(var), expected) << v.name;
        EXPECT_EQ(HostText(shared), text) << v.name;
        EXPECT_EQ(RefCount(shared), 1) << v.name;
        Runtime().lstrClr(&shared);
        v.fn(var, &var);  // now the only reference
        EXPECT_EQ(HostText(var), expected) << v.name;
        Runtime().lstrClr(&var);
    };
    for (const auto& v : kUpper) check(v, AsciiUpper(text));
    for (const auto& v : kLower) check(v, AsciiLower(text));
}

TEST(SearchTest, PosAndPosExFindTheFirstOccurrenceLikeANaiveSearch) {
    GuardedRegion textRegion, patternRegion;
    Rng rng(12);
    // Few distinct bytes, so that partial matches are frequent.
    auto sparse = [&](int length) {
        std::string s(length, 'a');
        for (char& c : s) {
            const unsigned r = rng() % 16;
            c = r < 7 ? 'a' : r < 14 ? 'b' : r == 14 ? '\0' : '\xFF';
        }
        return s;
    };
    for (int length = 0; length <= 300; ++length) {
        for (int pad = 0; pad < 16; ++pad) {
            const std::string s = sparse(length);
            const char* text = PlaceCounted(textRegion, s, pad, rng);
            std::vector<std::string> patterns{"", sparse(1), sparse(2), sparse(3), sparse(5), s + "a", s};
            for (int k = 0; k < 3 && length > 0; ++k) {
                const int at = static_cast<int>(rng() % length);
                patterns.push_back(s.substr(at, 1 + rng() % std::min(length - at, 20)));
            }
            if (length > 1) patterns.push_back(s.substr(1));
            for (const std::string& p : patterns) {
                const char* sub = PlaceCounted(patternRegion, p, static_cast<int>(p.size() % 4), rng);
                const int expected = NaivePos(p, s, 1);
                for (const auto& v : kPos) EXPECT_EQ(v.fn(sub, text), expected) << v.name << " " << length;
                for (int offset : {INT32_MIN, 0, 1, 2, length / 2, length - static_cast<int>(p.size()) + 1, length, length + 1}) {
                    const int expectedEx = NaivePos(p, s, offset);
                    for (const auto& v : kPosEx)
                        EXPECT_EQ(v.fn(sub, text, offset), expectedEx) << v.name << " offset " << offset;
                }
            }
            if (::testing::Test::HasFailure()) return;
        }
    }
}

TEST(LengthAndCopyTest, StrLenNeverReadsBeyondThePageOfTheZeroByte) {
    GuardedRegion region;
    Rng rng(14);
    std::vector<int> lengths;
    for (int n = 0; n <= 300; ++n) lengths.push_back(n);
    for (int n = 4064; n <= 4130; ++n) lengths.push_back(n);  // strings that cross a page boundary
    for (int length : lengths) {
        for (int pad = 0; pad < 16; ++pad) {
            const char* s = PlaceZ(region, RandomBytes(rng, length, 1, 255), pad);
            for (const auto& v : kStrLen) EXPECT_EQ(v.fn(s), length) << v.name << " pad " << pad;
        }
        if (::testing::Test::HasFailure()) return;
    }
}

TEST(LengthAndCopyTest, StrCopyWritesExactlyTheStringAndItsZeroByte) {
    GuardedRegion sourceRegion, destRegion;
    Rng rng(15);
    for (int length = 0; length <= 300; ++length) {
        for (int pad = 0; pad < 16; ++pad) {
            const std::string text = RandomBytes(rng, length, 1, 255);
            const char* source = PlaceZ(sourceRegion, text, pad);
            for (const auto& v : kStrCopy) {
                // Dest ends at the no-access page; the bytes before it must stay.
                char* dest = destRegion.End() - length - 1;
                std::memset(dest - 64, 0x5C, 64);
                ASSERT_EQ(v.fn(dest, source), dest) << v.name;
                EXPECT_EQ(std::string(dest, length + 1), text + '\0') << v.name << " length " << length;
                EXPECT_EQ(std::string(dest - 64, 64), std::string(64, '\x5C')) << v.name;
                // Dest odd, even, and in a different 8-byte phase.
                char* shifted = destRegion.End() - length - 1 - 1 - pad % 8;
                v.fn(shifted, source);
                EXPECT_EQ(std::string(shifted, length + 1), text + '\0') << v.name;
            }
            if (HasFailure()) return;
        }
    }
}

TEST_F(CaseConversionTest, SimdVariantsRunFromAMisalignedStack) {
    const std::string text = "Some Text Long Enough For Every Wide Path Of The Families: 0123456789 abcdefghijklmn";
    HostString s(text.c_str());
    HostString sub("abcdefg");
    testsupport::WithEachStackAlignment([&] {
        for (const auto& v : kUpper) ExpectConversion(v, s.Get(), AsciiUpper(text));
        for (const auto& v : kLower) ExpectConversion(v, s.Get(), AsciiLower(text));
        for (const auto& v : kPos) EXPECT_EQ(v.fn(sub.Get(), s.Get()), NaivePos("abcdefg", text, 1)) << v.name;
        for (const auto& v : kPosEx) EXPECT_EQ(v.fn(sub.Get(), s.Get(), 3), NaivePos("abcdefg", text, 3)) << v.name;
        for (const auto& v : kStrLen) EXPECT_EQ(v.fn(text.c_str()), static_cast<int>(text.size())) << v.name;
        for (const auto& v : kStrCopy) {
            char buffer[128];
            v.fn(buffer, text.c_str());
            EXPECT_STREQ(buffer, text.c_str()) << v.name;
        }
    });
}
