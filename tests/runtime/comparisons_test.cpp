// Locale comparison, StrScan and WideSameStr replacements.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>

#include "TestSupport.h"
#include "base/HostString.h"
#include "runtime/Comparisons.h"

using toravex::HostString;

namespace {
class ComparisonsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_NE(testsupport::LoadEmulatedRuntime(100), nullptr); }
};
int Compare(const char* a, const char* b) { return toravex::LocaleCompareText(HostString(a).Get(), HostString(b).Get()); }
}  // namespace

TEST_F(ComparisonsTest, LocaleCompareIgnoresCaseAndEmptySortsFirst) {
    EXPECT_EQ(Compare("", ""), 0);
    EXPECT_EQ(Compare("", "a"), -1);
    EXPECT_EQ(Compare("a", ""), 1);
    EXPECT_EQ(Compare("Unit1.PAS", "unit1.pas"), 0);
    EXPECT_EQ(Compare("abc", "abd"), -1);
    EXPECT_EQ(Compare("abd", "ABC"), 1);
    EXPECT_EQ(Compare("ab", "abc"), -1);
    EXPECT_TRUE(toravex::SameFileNameFast(HostString("C:\\X.pas").Get(), HostString("c:\\x.PAS").Get()));
    EXPECT_FALSE(toravex::SameFileNameFast(HostString("a").Get(), nullptr));
}

TEST(Comparisons, StrScanFindsCharacterOrTerminator) {
    const char text[] = "abcabc";
    EXPECT_EQ(toravex::StrScanFast(text, 'c'), text + 2);
    EXPECT_EQ(toravex::StrScanFast(text, 'x'), nullptr);
    EXPECT_EQ(toravex::StrScanFast(text, '\0'), text + 6);
    EXPECT_EQ(toravex::StrScanFast(nullptr, 'a'), nullptr);
    EXPECT_EQ(toravex::StrScanFast(text, static_cast<char>(0xE4)), nullptr);
}

TEST(Comparisons, WideSameStrComparesWholeStrings) {
    auto same = [](const wchar_t* a, const wchar_t* b) {
        BSTR x = a ? SysAllocString(a) : nullptr, y = b ? SysAllocString(b) : nullptr;
        bool r = toravex::WideSameStrFast(x, y);
        SysFreeString(x);
        SysFreeString(y);
        return r;
    };
    EXPECT_TRUE(same(L"abc", L"abc"));  // odd character count
    EXPECT_TRUE(same(L"abcd", L"abcd"));
    EXPECT_FALSE(same(L"abc", L"abd"));  // differs only in the last character
    EXPECT_FALSE(same(L"abcd", L"abce"));
    EXPECT_FALSE(same(L"abc", L"abcd"));
    EXPECT_FALSE(same(L"a", nullptr));
    EXPECT_TRUE(same(nullptr, nullptr));
    EXPECT_FALSE(same(L"xbc", L"abc"));
    BSTR s = SysAllocString(L"same");
    EXPECT_TRUE(toravex::WideSameStrFast(s, s));
    SysFreeString(s);
}
