// String, block and integer routines of the emulated runtime, called exactly
// as host code calls them.
#include "EmuHostTest.h"

#include "base/HostException.h"

#include <oleauto.h>

#include <algorithm>

using namespace emutest;
using toravex::HostString;
namespace n = hostnames;

namespace {

class StringRoutines : public EmuHostTest {
protected:
    static int32_t Compare(const n::HostName& name, const char* a, const char* b) {
        return static_cast<int32_t>(HostCall(name, {Word(a), Word(b)}).outEax);
    }
    // A routine with a string result, through the hidden result variable.
    static std::string Convert(const n::HostName& name, const char* s) {
        HostString result("stale");
        HostCall(name, {Word(s), Word(result.Out())});
        return Text(result.Get());
    }
};

// The flags of LStrCmp or WStrCmp as (ZF, CF).
std::pair<bool, bool> Flags(const n::HostName& name, const void* a, const void* b) {
    HostCallFrame f = HostCall(name, {Word(a), Word(b)});
    return {(f.outFlags & kZF) != 0, (f.outFlags & kCF) != 0};
}

}  // namespace

TEST_F(StringRoutines, ComparisonsOrderBytesUnsignedThenByLength) {
    HostString a("A"), abc("abc"), ab("ab"), upper("HELLO"), lower("hello"), under("a_"), z("aZ");
    HostString e4("\xE4"), c4("\xC4");
    EXPECT_EQ(Compare(n::Sysutils_CompareStr, nullptr, a.Get()), -1);
    EXPECT_EQ(Compare(n::Sysutils_CompareStr, abc.Get(), nullptr), 3);
    EXPECT_EQ(Compare(n::Sysutils_CompareStr, nullptr, nullptr), 0);
    EXPECT_LT(Compare(n::Sysutils_CompareStr, ab.Get(), abc.Get()), 0);
    EXPECT_GT(Compare(n::Sysutils_CompareStr, abc.Get(), ab.Get()), 0);
    EXPECT_GT(Compare(n::Sysutils_CompareStr, e4.Get(), a.Get()), 0);  // unsigned bytes
    EXPECT_EQ(Compare(n::Sysutils_CompareText, lower.Get(), upper.Get()), 0);
    EXPECT_GT(Compare(n::Sysutils_CompareText, under.Get(), z.Get()), 0);
    EXPECT_NE(Compare(n::Sysutils_CompareText, e4.Get(), c4.Get()), 0);
    EXPECT_EQ(Compare(n::Sysutils_StrComp, "abc", "abc"), 0);
    EXPECT_LT(Compare(n::Sysutils_StrComp, "ab", "abc"), 0);
    EXPECT_GT(Compare(n::Sysutils_StrComp, "\x80", "a"), 0);
    EXPECT_LT(Compare(n::Sysutils_StrIComp, "abc", "ABD"), 0);
    EXPECT_EQ(Compare(n::Sysutils_StrIComp, "MiXeD", "mixed"), 0);
    EXPECT_TRUE(HostCall(n::Sysutils_SameText, {Word(lower.Get()), Word(upper.Get())}).outEax & 0xFF);
}

TEST_F(StringRoutines, LStrCmpAndWStrCmpAnswerInTheFlags) {
    HostString abc("abc"), abd("abd"), ab("ab"), copy("abc");
    using F = std::pair<bool, bool>;
    EXPECT_EQ(Flags(n::System_LStrCmp, abc.Get(), copy.Get()), F(true, false));
    EXPECT_EQ(Flags(n::System_LStrCmp, abc.Get(), abd.Get()), F(false, true));
    EXPECT_EQ(Flags(n::System_LStrCmp, abd.Get(), abc.Get()), F(false, false));
    EXPECT_EQ(Flags(n::System_LStrCmp, ab.Get(), abc.Get()), F(false, true));
    EXPECT_EQ(Flags(n::System_LStrCmp, nullptr, ab.Get()), F(false, true));
    EXPECT_EQ(Flags(n::System_LStrCmp, ab.Get(), nullptr), F(false, false));
    EXPECT_EQ(Flags(n::System_LStrCmp, nullptr, nullptr), F(true, false));

    BSTR wa = SysAllocString(L"abc"), wb = SysAllocString(L"ab\x0101"), wc = SysAllocString(L"abc");
    EXPECT_EQ(Flags(n::System_WStrCmp, wa, wc), F(true, false));
    EXPECT_EQ(Flags(n::System_WStrCmp, wa, wb), F(false, true));  // 16-bit characters, unsigned
    EXPECT_EQ(Flags(n::System_WStrCmp, wb, wa), F(false, false));
    EXPECT_EQ(Flags(n::System_WStrCmp, nullptr, wa), F(false, true));
    SysFreeString(wa), SysFreeString(wb), SysFreeString(wc);
}

TEST_F(StringRoutines, CaseConversionGivesAFreshAsciiFoldedString) {
    EXPECT_EQ(Convert(n::Sysutils_UpperCase, HostString("abc{}xyz\xE0").Get()), "ABC{}XYZ\xE0");
    EXPECT_EQ(Convert(n::Sysutils_LowerCase, HostString("ABC@[Z\xC0").Get()), "abc@[z\xC0");
    EXPECT_EQ(Convert(n::Sysutils_UpperCase, nullptr), "");
    HostString s("ABC");
    HostString result;
    HostCall(n::Sysutils_UpperCase, {Word(s.Get()), Word(result.Out())});
    EXPECT_NE(result.Get(), s.Get());
    EXPECT_EQ(RefCount(result.Get()), 1);
}

TEST_F(StringRoutines, SearchesFindTheFirstOccurrence) {
    auto pos = [](const char* sub, const char* s) {
        return static_cast<int32_t>(HostCall(n::System_LStrPos, {Word(HostString(sub).Get()), Word(HostString(s).Get())}).outEax);
    };
    EXPECT_EQ(pos("c", "abc"), 3);
    EXPECT_EQ(pos("abcd", "abc"), 0);
    EXPECT_EQ(pos("aab", "aaab"), 2);
    EXPECT_EQ(pos("", "abc"), 0);
    auto posEx = [](const char* sub, const char* s, uint32_t offset) {
        return static_cast<int32_t>(
            HostCall(n::Strutils_PosEx, {Word(HostString(sub).Get()), Word(HostString(s).Get()), offset}).outEax);
    };
    EXPECT_EQ(posEx("a", "abca", 0), 0);
    EXPECT_EQ(posEx("a", "abca", 2), 4);
    EXPECT_EQ(posEx("a", "abca", 4), 4);
    EXPECT_EQ(posEx("ca", "abca", 4), 0);
    EXPECT_EQ(HostCall(n::Sysutils_StrLen, {Word("hello")}).outEax, 5u);
    char buffer[8] = "xxxxxxx";
    EXPECT_EQ(HostCall(n::Sysutils_StrCopy, {Word(buffer), Word("abc")}).outEax, Word(buffer));
    EXPECT_STREQ(buffer, "abc");
    const char* text = "a\\b";
    EXPECT_EQ(HostCall(n::Sysutils_StrScan, {Word(text), '\\'}).outEax, Word(text + 1));
    EXPECT_EQ(HostCall(n::Sysutils_StrScan, {Word(text), 0}).outEax, Word(text + 3));
    EXPECT_EQ(HostCall(n::Sysutils_StrScan, {Word(text), 'z'}).outEax, 0u);
}

TEST_F(StringRoutines, StringReplaceTakesItsFlagsAndResultOnTheStackAndRemovesThem) {
    auto replace = [](const char* s, const char* o, const char* w, uint32_t flags, HostString& result) {
        HostString hs(s), ho(o), hw(w);
        HostCallFrame f = HostCall(n::Sysutils_StringReplace, {Word(hs.Get()), Word(ho.Get()), Word(hw.Get())},
                                   {flags, Word(result.Out())});
        EXPECT_EQ(f.stackRemoved, 8);
        return Text(result.Get());
    };
    HostString r;
    EXPECT_EQ(replace("aaaa", "aa", "b", 1, r), "bb");
    EXPECT_EQ(replace("aaaa", "aa", "b", 0, r), "baa");
    EXPECT_EQ(replace("ABab", "ab", "x", 3, r), "xx");
    EXPECT_EQ(replace("ABab", "ab", "x", 1, r), "ABx");
    EXPECT_EQ(replace("path\\to\\file", "\\", "/", 1, r), "path/to/file");
    std::string many(40, 'a'), expected(40, 'b');
    EXPECT_EQ(replace(many.c_str(), "a", "b", 1, r), expected);

    HostString s("no match here"), o("zz"), w("y"), result;
    HostCall(n::Sysutils_StringReplace, {Word(s.Get()), Word(o.Get()), Word(w.Get())}, {1, Word(result.Out())});
    EXPECT_EQ(result.Get(), s.Get());  // the same string object, shared
}

TEST_F(StringRoutines, ConcatenationHelpersShareOrBuildAndRemoveTheirOperands) {
    HostString a("ab"), b("cd"), c("ef"), dest("old");
    HostCallFrame f = HostCall(n::System_LStrCatN, {Word(dest.Out()), 3}, {Word(a.Get()), Word(b.Get()), Word(c.Get())});
    EXPECT_EQ(f.stackRemoved, 12);
    EXPECT_EQ(Text(dest.Get()), "abcdef");
    HostString shared;
    HostCall(n::System_LStrCat3, {Word(shared.Out()), 0, Word(a.Get())});
    EXPECT_EQ(shared.Get(), a.Get());
    EXPECT_EQ(RefCount(a.Get()), 2);
    HostCall(n::System_LStrCat, {Word(shared.Out()), Word(b.Get())});
    HostCall(n::System_LStrCat, {Word(&shared), Word(c.Get())});
    EXPECT_EQ(Text(shared.Get()), "cdef");
    EXPECT_EQ(HostCall(n::System_LStrLen, {Word(shared.Get())}).outEax, 4u);
}

TEST_F(StringRoutines, BlockRoutinesHandleOverlapAndNonPositiveCounts) {
    for (int shift : {1, -1}) {
        for (int count : {1, 7, 36, 100}) {
            unsigned char buffer[128], expected[128];
            for (int i = 0; i < 128; ++i) buffer[i] = static_cast<unsigned char>(i);
            std::copy(buffer, buffer + 128, expected);
            unsigned char* src = buffer + 10;
            std::copy(src, src + count, expected + 10 + shift);  // through a buffer: std::copy reads first
            unsigned char temp[128];
            std::copy(src, src + count, temp);
            std::copy(temp, temp + count, expected + 10 + shift);
            HostCall(n::System_Move, {Word(src), Word(src + shift), static_cast<uint32_t>(count)});
            EXPECT_TRUE(std::equal(buffer, buffer + 128, expected)) << shift << " " << count;
        }
    }
    char block[8] = "abcdefg";
    HostCall(n::System_Move, {Word(block), Word(block + 1), static_cast<uint32_t>(-5)});
    HostCall(n::System_FillChar, {Word(block), 0, 'z'});
    EXPECT_STREQ(block, "abcdefg");
    HostCall(n::System_FillChar, {Word(block + 1), 3, 'z'});
    EXPECT_STREQ(block, "azzzefg");
    EXPECT_TRUE(HostCall(n::Sysutils_CompareMem, {Word("abc"), Word("abd"), 2}).outEax & 0xFF);
    EXPECT_FALSE(HostCall(n::Sysutils_CompareMem, {Word("abc"), Word("abd"), 3}).outEax & 0xFF);
    EXPECT_TRUE(HostCall(n::Sysutils_CompareMem, {Word("a"), Word("b"), static_cast<uint32_t>(-1)}).outEax & 0xFF);
}

TEST_F(StringRoutines, IntegerTextAndMax) {
    for (int32_t v : {0, 7, -7, 2147483647, -2147483647, INT32_MIN}) {
        HostString r;
        HostCall(n::Sysutils_IntToStr, {static_cast<uint32_t>(v), Word(r.Out())});
        EXPECT_EQ(Text(r.Get()), std::to_string(v));
    }
    EXPECT_EQ(static_cast<int32_t>(HostCall(n::Math_Max, {static_cast<uint32_t>(-1), 1}).outEax), 1);
    EXPECT_EQ(static_cast<int32_t>(HostCall(n::Math_Max, {0x80000000u, 0x7FFFFFFFu}).outEax), INT32_MAX);
    for (const char* good : {"  42", "+42", "-0", "$ff", "x1F", "0X10", "007", "2147483647", "-2147483648"})
        EXPECT_NO_THROW(HostCall(n::Sysutils_StrToInt, {Word(HostString(good).Get())})) << good;
    EXPECT_EQ(HostCall(n::Sysutils_StrToInt, {Word(HostString("$FFFFFFFF").Get())}).outEax, 0xFFFFFFFFu);
    EXPECT_EQ(HostCall(n::Sysutils_StrToInt, {Word(HostString("-$1").Get())}).outEax, 0xFFFFFFFFu);
    HostString bad("x");
    toravex::host::CaughtException caught{};
    ASSERT_TRUE(toravex::host::TryExcept([&] { HostCall(n::Sysutils_StrToInt, {Word(bad.Get())}); }, caught));
    char name[32];
    toravex::host::ClassNameOf(caught.object, name, sizeof name);
    EXPECT_STREQ(name, "EConvertError");
    EXPECT_STREQ(toravex::host::MessageOf(caught.object), "'x' is not a valid integer value");
    toravex::host::FreeHostObject(caught.object);
}

TEST_F(StringRoutines, WStrSetLengthStoresThroughTheInternalRoutineItsCallerCanFind) {
    auto* entry = static_cast<const unsigned char*>(Export(n::System_WStrSetLength));
    const unsigned char* store = nullptr;
    for (int i = 16; i < 16 + 256 && !store; ++i)
        if (entry[i] == 0xE8 && entry[i + 5] == 0x5F && entry[i + 6] == 0x5E && entry[i + 7] == 0x5B &&
            entry[i + 8] == 0xC3)
            store = entry + i + 5 + *reinterpret_cast<const int32_t*>(entry + i + 1);
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store[0], 0x87);
    EXPECT_EQ(store[1], 0x10);

    BSTR s = SysAllocString(L"abcdef");
    HostCall(n::System_WStrSetLength, {Word(&s), 3});
    EXPECT_EQ(SysStringByteLen(s), 6u);
    EXPECT_EQ(std::wstring(s, 3), L"abc");
    HostCall(n::System_WStrSetLength, {Word(&s), 0});
    EXPECT_EQ(s, nullptr);
}
