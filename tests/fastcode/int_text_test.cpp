// IntToStr, the five StrToInt variants and Max, inside the emulated runtime:
// the runtime's own StrToInt is the reference for which texts are accepted,
// their values, and the error raised for the others.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "HostLayout.h"
#include "RoutineProbe.h"
#include "TestSupport.h"
#include "core/HostException.h"
#include "core/HostRuntime.h"
#include "core/HostString.h"
#include "fastcode/IntToStr.h"
#include "fastcode/MaxInt.h"
#include "fastcode/StrToInt.h"

using namespace toravex;
namespace host = toravex::host;

namespace {

struct Variant {
    const char* name;
    StrToIntRoutine parse;
};
const Variant kVariants[] = {
    {"StrToIntA", StrToIntA}, {"StrToIntB", StrToIntB}, {"StrToIntC", StrToIntC},
    {"StrToIntD", StrToIntD}, {"StrToIntE", StrToIntE},
};

class IntTextTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_NE(testsupport::LoadEmulatedRuntime(100), nullptr); }
};

// What a StrToInt routine did with a text: its value, or the class and
// message of the error it raised.
struct Outcome {
    bool accepted = false;
    int32_t value = 0;
    std::string error;  // "EConvertError: '12x' is not a valid integer value"

    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& o) {
    return o.accepted ? out << "value " << o.value : out << o.error;
}

Outcome Convert(StrToIntRoutine parse, const HostString& text) {
    Outcome outcome;
    host::CaughtException caught{};
    int32_t value = 0;
    if (host::TryExcept([&] { value = parse(text.Get()); }, caught)) {
        char name[64];
        host::ClassNameOf(caught.object, name, sizeof name);
        const char* message = host::MessageOf(caught.object);
        outcome.error = std::string(name) + ": " + (message ? message : "");
        host::FreeHostObject(caught.object);
    } else {
        outcome.accepted = true;
        outcome.value = value;
    }
    return outcome;
}

StrToIntRoutine HostStrToInt() {
    return FindHostRoutine<StrToIntRoutine>(Runtime().module, hostnames::Sysutils_StrToInt);
}

HostString Text(const std::string& s) { return HostString(s.data(), static_cast<int32_t>(s.size())); }

// Texts around every rule: all short combinations of the characters that
// matter, numbers at the 32-bit limits with signs, blanks and leading
// zeros, hexadecimal at its limit, and pseudo-random mixtures.
std::vector<std::string> GeneratedTexts() {
    std::vector<std::string> texts = {""};
    const std::string alphabet = " \t+-0159xX$aFg";
    for (char a : alphabet) {
        texts.push_back(std::string(1, a));
        for (char b : alphabet) {
            texts.push_back(std::string{a, b});
            for (char c : alphabet) texts.push_back(std::string{a, b, c});
        }
    }
    const std::vector<std::string> numbers = {
        "2147483647", "2147483648", "2147483649", "2147483650", "4294967295", "4294967296", "9999999999",
        "21474836470", "214748364", "214748365", "1000000000", "999999999", "99999999999999999999",
        "00000000002147483647", "00000000002147483648", "0x7FFFFFFF", "0x80000000", "$FFFFFFFF", "$0FFFFFFF",
        "$10000000", "$100000000", "$0000000000000001", "x1fffffff", "XfFfFfFfF", "0X123456789", "$-1", "0x",
        "0xg", "00x1", "0$1", "1e3", "12 3", "1\0" "2",
    };
    for (const std::string& n : numbers)
        for (const char* prefix : {"", "-", "+", "  ", "  -", " +", "--", "-+", "\t", "- ", "0"})
            for (const char* suffix : {"", " ", "0", "x"}) texts.push_back(prefix + n + suffix);
    uint32_t x = 12345;
    auto next = [&x] { return x = x * 1103515245 + 12345, (x >> 16) & 0x7FFF; };
    const std::string pieces[] = {" ", "-", "+", "0", "7", "9", "$", "x", "0x", "F", "a", "g", "12345", "99999"};
    for (int i = 0; i < 2000; ++i) {
        std::string t;
        for (int n = next() % 6; n-- > 0;) t += pieces[next() % std::size(pieces)];
        texts.push_back(t);
    }
    return texts;
}

}  // namespace

TEST_F(IntTextTest, IntToStrGivesDecimalTextWithoutLeadingZeros) {
    const std::pair<int32_t, const char*> cases[] = {
        {0, "0"}, {7, "7"}, {-7, "-7"}, {2147483647, "2147483647"}, {-2147483647, "-2147483647"},
        {INT32_MIN, "-2147483648"}, {10, "10"}, {-1000000000, "-1000000000"},
    };
    for (auto [value, text] : cases) {
        HostString result;
        IntToStr(value, result.Out());
        EXPECT_TRUE(result == text) << value << " gave " << result.CStr();
        EXPECT_EQ(hostabi::HeaderOf(result.Get())->refCount, 1);
    }
    // Against the C runtime's formatting for every power of ten and its
    // neighbours, and a spread of other values.
    std::vector<int32_t> values;
    for (int64_t p = 1; p <= 1000000000; p *= 10)
        for (int64_t v : {p - 1, p, p + 1}) values.insert(values.end(), {int32_t(v), int32_t(-v)});
    for (uint32_t x = 1; values.size() < 5000; x = x * 2654435761u + 7) values.push_back(static_cast<int32_t>(x));
    HostString result;
    for (int32_t value : values) {
        char expected[16];
        std::snprintf(expected, sizeof expected, "%d", static_cast<int>(value));
        IntToStr(value, result.Out());
        ASSERT_TRUE(result == expected) << value;
    }
}

TEST_F(IntTextTest, IntToStrReplacesTheResultAndReleasesTheOldString) {
    HostString kept("previous");
    char* variable = nullptr;
    Runtime().lstrAsg(&variable, kept.Get());
    ASSERT_EQ(hostabi::HeaderOf(kept.Get())->refCount, 2);
    IntToStr(-42, &variable);
    EXPECT_STREQ(variable, "-42");
    EXPECT_EQ(hostabi::HeaderOf(kept.Get())->refCount, 1) << "the variable's reference is released";
    Runtime().lstrClr(&variable);
}

TEST_F(IntTextTest, StrToIntAcceptsAndRejectsTheTextsOfTheRuntime) {
    const std::pair<const char*, int32_t> accepted[] = {
        {"  42", 42},  {"+42", 42}, {"-0", 0},         {"$ff", 255},          {"x1F", 31},
        {"0X10", 16},  {"007", 7},  {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN},
        {"$FFFFFFFF", -1}, {"-$1", -1}, {"0", 0},
    };
    const char* const rejected[] = {"",   " ",  "-",  "- 1", "42 ", "2147483648", "-2147483649", "21474836470",
                                    "$",  "$123456789", "\t42", "0x", "+-1", "1a"};
    for (const Variant& v : kVariants) {
        for (auto [text, value] : accepted) {
            Outcome o = Convert(v.parse, HostString(text));
            EXPECT_EQ(o, (Outcome{true, value, ""})) << v.name << " '" << text << "'";
        }
        for (const char* text : rejected) {
            Outcome o = Convert(v.parse, HostString(text));
            EXPECT_EQ(o.error, std::string("EConvertError: '") + text + "' is not a valid integer value")
                << v.name << " '" << text << "'";
        }
    }
}

TEST_F(IntTextTest, EveryVariantAgreesWithTheRuntimeOnGeneratedTexts) {
    StrToIntRoutine reference = HostStrToInt();
    ASSERT_NE(reference, nullptr);
    int acceptedCount = 0;
    for (const std::string& s : GeneratedTexts()) {
        HostString text = Text(s);
        const Outcome expected = Convert(reference, text);
        acceptedCount += expected.accepted;
        for (const Variant& v : kVariants) ASSERT_EQ(Convert(v.parse, text), expected) << v.name << " '" << s << "'";
    }
    EXPECT_GT(acceptedCount, 300) << "the generated texts cover acceptance too";
}

TEST_F(IntTextTest, RejectionKeepsNoReferenceToTheText) {
    HostString text("12x");
    ASSERT_EQ(hostabi::HeaderOf(text.Get())->refCount, 1);
    for (const Variant& v : kVariants) {
        EXPECT_FALSE(Convert(v.parse, text).accepted);
        EXPECT_EQ(hostabi::HeaderOf(text.Get())->refCount, 1) << v.name;
    }
}

TEST_F(IntTextTest, ConversionsWorkFromAMisalignedStack) {
    HostString good("-123456"), bad("99999999999");
    for (const Variant& v : kVariants)
        testsupport::WithEachStackAlignment([&] {
            EXPECT_EQ(Convert(v.parse, good).value, -123456) << v.name;
            EXPECT_FALSE(Convert(v.parse, bad).accepted) << v.name;
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
