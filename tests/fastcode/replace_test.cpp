// StringReplace against a plain replacement, with every flag combination,
// its shortcuts (one-byte patterns, no match), more than 16 matches, the
// code page's case table and the host's calling sequence.
#include <vector>

#include "StringTestSupport.h"
#include "base/HostException.h"
#include "base/HostString.h"
#include "fastcode/StringReplace.h"

using namespace fastcodetest;
using namespace toravex;

namespace {

uint8_t SystemUpper(uint8_t c) {
    return static_cast<uint8_t>(reinterpret_cast<uintptr_t>(CharUpperA(reinterpret_cast<LPSTR>(uintptr_t{c}))));
}

std::string PlainReplace(const std::string& s, const std::string& from, const std::string& to, uint8_t flags) {
    if (s.empty()) return s;
    auto same = [&](char a, char b) {
        return (flags & ReplaceIgnoreCase) ? SystemUpper(a) == SystemUpper(b) : a == b;
    };
    std::string out;
    size_t i = 0;
    bool replaced = false;
    while (!from.empty() && i + from.size() <= s.size()) {
        bool match = !replaced || (flags & ReplaceAll);
        for (size_t k = 0; match && k < from.size(); ++k) match = same(s[i + k], from[k]);
        if (match) {
            out += to;
            i += from.size();
            replaced = true;
        } else {
            out += s[i++];
        }
    }
    return out + s.substr(i);
}

class StringReplaceTest : public RuntimeTest {
protected:
    void SetUp() override { SetCaseSensitiveReplaceSearch(PosExA); }
    void TearDown() override { SetCaseSensitiveReplaceSearch(nullptr); }

    static HostString Replace(const HostString& s, const std::string& from, const std::string& to, uint8_t flags) {
        HostString result;
        StringReplace(s.Get(), Host(from).Get(), Host(to).Get(), result.Out(), flags);
        return result;
    }
    static HostString Host(const std::string& s) { return HostString(s.data(), static_cast<int32_t>(s.size())); }

    // Random texts over few bytes (with case partners) against the plain
    // replacement, every flag combination.
    static void CompareWithPlainReplace(int seed) {
        Rng rng(seed);
        static const char kBytes[] = {'a', 'b', 'A', 'B', '\xE4', '\xC4', 'x', '\0'};
        auto text = [&](int length) {
            std::string s(length, 'a');
            for (char& c : s) c = kBytes[rng() % sizeof kBytes];
            return s;
        };
        for (int i = 0; i < 3000; ++i) {
            const std::string s = text(rng() % 70), from = text(rng() % 5), to = text(rng() % 4);
            const HostString hs = Host(s);
            for (uint8_t flags = 0; flags < 4; ++flags) {
                const HostString got = Replace(hs, from, to, flags);
                ASSERT_EQ(HostText(got.Get()), PlainReplace(s, from, to, flags))
                    << "'" << s << "' '" << from << "' '" << to << "' flags " << int(flags);
            }
        }
    }
};

}  // namespace

TEST_F(StringReplaceTest, ReplacesLikeAPlainReplacementWithEveryFlagCombination) { CompareWithPlainReplace(21); }

TEST_F(StringReplaceTest, SearchesWithTheHostsPosExWhenTheHostHasOne) {
    using PosExFn = int32_t(HOSTCALL*)(const char*, const char*, int32_t);
    auto hostPosEx = FindHostRoutine<PosExFn>(Runtime().module, hostnames::Strutils_PosEx);
    ASSERT_NE(hostPosEx, nullptr);
    HostString a("a");
    host::CaughtException caught;
    if (host::TryExcept([&] { hostPosEx(a.Get(), a.Get(), 1); }, caught)) {
        host::FreeHostObject(caught.object);
        GTEST_SKIP() << "the emulated runtime does not implement PosEx yet";
    }
    SetCaseSensitiveReplaceSearch(nullptr);
    CompareWithPlainReplace(22);
}

TEST_F(StringReplaceTest, NoMatchGivesTheVerySameString) {
    EXPECT_TRUE(Replace(HostString(""), "a", "b", ReplaceAll).Empty());
    const HostString s("some text");
    for (uint8_t flags = 0; flags < 4; ++flags) {
        for (const char* from : {"q", "xyz", "", "some text and more"}) {
            const HostString got = Replace(s, from, "Q", flags);
            EXPECT_EQ(got.Get(), s.Get()) << from << " flags " << int(flags);
            EXPECT_EQ(RefCount(s.Get()), 2);
        }
    }
}

TEST_F(StringReplaceTest, ManyMatchesGrowThePositionListOnTheHeap) {
    for (int matches : {15, 16, 17, 24, 25, 37, 1000}) {
        std::string s, expected;
        for (int i = 0; i < matches; ++i) {
            s += "ab-";
            expected += "XYZ-";
        }
        for (uint8_t flags : {uint8_t(ReplaceAll), uint8_t(ReplaceAll | ReplaceIgnoreCase)})
            EXPECT_EQ(HostText(Replace(HostString(s.c_str()), "ab", "XYZ", flags).Get()), expected) << matches;
        EXPECT_EQ(HostText(Replace(HostString(s.c_str()), "-", "+", ReplaceAll).Get()),
                  PlainReplace(s, "-", "+", ReplaceAll));
    }
}

TEST_F(StringReplaceTest, TheCaseTableFollowsTheCodePage) {
    // A table of another code page, as if the code page had changed since it
    // was built: it must not be used, and a new one takes its place.
    static ReplaceCaseTable stale;
    stale.codePage = 0;
    for (int b = 0; b < 256; ++b) stale.upper[b] = SystemUpper(static_cast<uint8_t>(b));
    stale.upper[static_cast<uint8_t>('a')] = 'z';
    CaseTable = &stale;
    EXPECT_TRUE(Replace(HostString("xAx"), "a", "-", ReplaceAll | ReplaceIgnoreCase) == "x-x");
    const ReplaceCaseTable* built = CaseTable;
    ASSERT_NE(built, &stale);
    EXPECT_EQ(built->codePage, GetACP());
    for (int b = 0; b < 256; ++b) EXPECT_EQ(built->upper[b], SystemUpper(static_cast<uint8_t>(b))) << b;
    // Bytes of the code page above 0x7F fold as the system folds them.
    const uint8_t lower = 0xE4, upper = SystemUpper(lower);
    const char pattern[] = {static_cast<char>(lower), 0};
    const char text[] = {'x', static_cast<char>(upper), 'x', 0};
    EXPECT_EQ(CaseTableSearch(HostString(pattern).Get(), HostString(text).Get(), 1), 2);
}

TEST_F(StringReplaceTest, TakesItsArgumentsAsTheHostPassesThem) {
    // S, OldPattern, NewPattern in EAX, EDX, ECX; Flags pushed first (only
    // its low byte counts), then the result variable; the callee removes both.
    HostString s("one two two"), from("two"), to("2");
    HostString result;
    uint32_t eax = reinterpret_cast<uint32_t>(s.Get());
    const char* edx = from.Get();
    const char* ecx = to.Get();
    const uint32_t flags = 0xABCD0000u | ReplaceAll;
    char** resultVariable = result.Out();
    void* routine = reinterpret_cast<void*>(&StringReplace);
    __asm__ volatile(
        "push %%ebp\n\t"
        "mov %%esp, %%ebp\n\t"
        "push %%ebx\n\t"
        "push %%esi\n\t"
        "call *%%edi\n\t"
        "mov %%esp, %%eax\n\t"
        "sub %%ebp, %%eax\n\t"
        "mov %%ebp, %%esp\n\t"
        "pop %%ebp\n\t"
        : "+a"(eax), "+d"(edx), "+c"(ecx)
        : "b"(flags), "S"(resultVariable), "D"(routine)
        : "memory", "cc");
    EXPECT_EQ(eax, 0u) << "stack left unbalanced";
    EXPECT_TRUE(result == "one 2 2");
}
