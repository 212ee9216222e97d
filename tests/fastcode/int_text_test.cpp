// IntToStr, the five StrToInt variants and Max, inside the emulated runtime,
// whose own StrToInt decides which texts are accepted, their values and the
// error raised for the others.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "HostLayout.h"
#include "RoutineProbe.h"
#include "TestSupport.h"
#include "base/HostException.h"
#include "base/HostRuntime.h"
#include "base/HostString.h"
#include "fastcode/IntToStr.h"
#include "fastcode/MaxInt.h"
#include "fastcode/StrToInt.h"

using namespace toravex;
namespace host = toravex::host;

namespace {

const std::pair<const char*, StrToIntRoutine> kVariants[] = {
    {"StrToIntA", StrToIntA}, {"StrToIntB", StrToIntB}, {"StrToIntC", StrToIntC},
    {"StrToIntD", StrToIntD}, {"StrToIntE", StrToIntE},
};

class IntTextTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_NE(testsupport::LoadEmulatedRuntime(100), nullptr); }
};

int32_t RefCount(const HostString& s) { return hostabi::HeaderOf(s.Get())->refCount; }

// The value a StrToInt routine gave, or the class and message of its error
// ("EConvertError: '12x' is not a valid integer value").
std::string Convert(StrToIntRoutine parse, const HostString& text) {
    int32_t value = 0;
    std::string className;
    const std::string message = testsupport::RaisedMessage([&] { value = parse(text.Get()); }, &className);
    return className.empty() ? std::to_string(value) : className + ": " + message;
}

std::string Rejection(const std::string& text) { return "EConvertError: '" + text + "' is not a valid integer value"; }

// All short combinations of the characters that matter, numbers at the
// 32-bit limits with signs, blanks, zeros and suffixes, hexadecimal at its
// limit, and pseudo-random mixtures.
std::vector<std::string> GeneratedTexts() {
    std::vector<std::string> texts = {""};
    const std::string alphabet = " \t+-0159xX$aFg";
    for (char a : alphabet)
        for (char b : alphabet) {
            texts.insert(texts.end(), {std::string{a}, std::string{a, b}});
            for (char c : alphabet) texts.push_back(std::string{a, b, c});
        }
    const std::string numbers[] = {
        "2147483647", "2147483648", "2147483649", "4294967295", "4294967296", "21474836470", "214748364",
        "214748365", "999999999", "99999999999999999999", "00000000002147483648", "0x7FFFFFFF", "0x80000000",
        "$FFFFFFFF", "$0FFFFFFF", "$10000000", "$100000000", "$0000000000000001", "XfFfFfFfF", "0X123456789",
        "$-1", "00x1", "1e3", "12 3", std::string("1\0" "2", 3)};
    for (const std::string& n : numbers)
        for (const char* prefix : {"", "-", "+", "  ", "  -", "--", "\t", "- ", "0"})
            for (const char* suffix : {"", " ", "0", "x"}) texts.push_back(prefix + n + suffix);
    const char* const pieces[] = {" ", "-", "+", "0", "7", "9", "$", "x", "0x", "F", "a", "g", "12345", "99999"};
    uint32_t x = 12345;
    auto random = [&x] { return (x = x * 1103515245 + 12345) >> 16; };
    for (int i = 0; i < 2000; ++i) {
        std::string t;
        for (int n = random() & 7; n-- > 0;) t += pieces[random() % std::size(pieces)];
        texts.push_back(t);
    }
    return texts;
}

}  // namespace

TEST_F(IntTextTest, IntToStrGivesDecimalTextAndReleasesTheOldResult) {
    std::vector<int32_t> values = {0, 7, -7, INT32_MAX, -INT32_MAX, INT32_MIN};
    for (int32_t p = 10; p <= 1000000000; p *= 10) values.insert(values.end(), {p - 1, p, -p});
    for (uint32_t x = 1; values.size() < 3000; x = x * 2654435761u + 7) values.push_back(static_cast<int32_t>(x));
    for (int32_t value : values) {
        char expected[16];
        std::snprintf(expected, sizeof expected, "%d", static_cast<int>(value));
        HostString result;
        IntToStr(value, result.Out());
        ASSERT_TRUE(result == expected) << value << " gave " << result.CStr();
        ASSERT_EQ(RefCount(result), 1);
    }
    HostString kept("previous");
    char* variable = nullptr;
    Runtime().lstrAsg(&variable, kept.Get());
    IntToStr(-42, &variable);
    EXPECT_STREQ(variable, "-42");
    EXPECT_EQ(RefCount(kept), 1) << "the variable's reference to the old text is released";
    Runtime().lstrClr(&variable);
}

TEST_F(IntTextTest, StrToIntAcceptsAndRejectsTheTextsOfTheRuntime) {
    const std::pair<const char*, int32_t> accepted[] = {
        {"  42", 42}, {"+42", 42}, {"-0", 0}, {"$ff", 255}, {"x1F", 31}, {"0X10", 16}, {"007", 7},
        {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN}, {"$FFFFFFFF", -1}, {"-$1", -1}, {"0", 0},
    };
    const char* const rejected[] = {"",           " ",           "-",           "- 1", "42 ", "2147483648",
                                    "-2147483649", "21474836470", "$",           "$123456789", "\t42", "0x"};
    for (auto [name, parse] : kVariants) {
        for (auto [text, value] : accepted) EXPECT_EQ(Convert(parse, HostString(text)), std::to_string(value)) << name;
        for (const char* text : rejected) EXPECT_EQ(Convert(parse, HostString(text)), Rejection(text)) << name;
    }
    const StrToIntRoutine reference = FindHostRoutine<StrToIntRoutine>(Runtime().module, hostnames::Sysutils_StrToInt);
    ASSERT_NE(reference, nullptr);
    int acceptedCount = 0;
    for (const std::string& s : GeneratedTexts()) {
        const HostString text(s.data(), static_cast<int32_t>(s.size()));
        const std::string expected = Convert(reference, text);
        acceptedCount += expected.rfind("EConvertError", 0) != 0;
        for (auto [name, parse] : kVariants) ASSERT_EQ(Convert(parse, text), expected) << name << " '" << s << "'";
    }
    EXPECT_GT(acceptedCount, 300) << "the generated texts cover acceptance too";
}

TEST_F(IntTextTest, RejectionKeepsNoReferenceAndWorksFromAnyStack) {
    HostString good("-123456"), bad("99999999999");
    for (auto [name, parse] : kVariants)
        testsupport::WithEachStackAlignment([&, name = name, parse = parse] {
            EXPECT_EQ(Convert(parse, good), "-123456") << name;
            EXPECT_EQ(Convert(parse, bad), Rejection("99999999999")) << name;
            EXPECT_EQ(RefCount(bad), 1) << name;
            HostString result;
            IntToStr(INT32_MIN, result.Out());
            EXPECT_TRUE(result == "-2147483648");
        });
}

TEST(MaxTest, BothVariantsAtTheExtremes) {
    const int32_t values[] = {INT32_MIN, INT32_MIN + 1, -2, -1, 0, 1, 2, INT32_MAX - 1, INT32_MAX};
    for (MaxRoutine max : {MaxA, MaxB})
        for (int32_t a : values)
            for (int32_t b : values) {
                uint32_t result = 0;
                EXPECT_EQ(fastcodetest::BrokenContract(fastcodetest::Code(max), a, b, 0, &result), "");
                EXPECT_EQ(static_cast<int32_t>(result), std::max(a, b)) << a << ", " << b;
            }
}
