// FillChar and CompareMem variants against plain loops: every count to 300
// at every alignment, large counts on both sides of the non-temporal
// thresholds, blocks right against no-access pages.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "RoutineProbe.h"
#include "TestSupport.h"
#include "fastcode/CompareMem.h"
#include "fastcode/FillChar.h"

using namespace toravex;
using fastcodetest::BrokenContract;
using fastcodetest::FillRandom;

namespace {

struct FillVariant {
    const char* name;
    FillCharRoutine fill;
};
const FillVariant kFills[] = {
    {"FillCharA", FillCharA}, {"FillCharB", FillCharB}, {"FillCharC", FillCharC},
    {"FillCharD", FillCharD}, {"FillCharE", FillCharE},
};

struct CompareVariant {
    const char* name;
    CompareMemRoutine compare;
};
const CompareVariant kCompares[] = {
    {"CompareMemA", CompareMemA}, {"CompareMemB", CompareMemB}, {"CompareMemC", CompareMemC},
    {"CompareMemD", CompareMemD}, {"CompareMemE", CompareMemE}, {"CompareMemF", CompareMemF},
};

constexpr int kGuard = 32;

// A destination with random guard bytes around every fill.
class FillTarget {
public:
    explicit FillTarget(int maxCount) : pristine_(maxCount + 2 * kGuard + 16), work_(pristine_.size()) {
        FillRandom(pristine_.data(), pristine_.size(), 5);
        work_ = pristine_;
        base_ = kGuard + static_cast<int>(-reinterpret_cast<uintptr_t>(work_.data() + kGuard) & 15);
    }

    std::string Check(FillCharRoutine fill, int count, int offset, uint8_t value) {
        const int at = base_ + offset;
        fill(&work_[at], count, static_cast<char>(value));
        std::string fault;
        if (std::memcmp(&work_[at - kGuard], &pristine_[at - kGuard], kGuard) != 0) fault = "guard before changed";
        for (int i = 0; fault.empty() && i < count; ++i)
            if (work_[at + i] != value) fault = "byte " + std::to_string(i) + " not filled";
        if (fault.empty() && std::memcmp(&work_[at + count], &pristine_[at + count], kGuard) != 0)
            fault = "guard after changed";
        std::memcpy(&work_[at - kGuard], &pristine_[at - kGuard], count + 2 * kGuard);
        return fault;
    }

private:
    std::vector<uint8_t> pristine_, work_;
    int base_;
};

uint32_t U(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

}  // namespace

TEST(FillCharTest, EveryCountToThreeHundredAtEveryAlignment) {
    FillTarget target(320);
    for (const FillVariant& v : kFills)
        for (int count = 0; count <= 300; ++count)
            for (int offset = 0; offset < 16; ++offset) {
                const uint8_t value = static_cast<uint8_t>(count * 37 + offset * 11 + 1);
                ASSERT_EQ(target.Check(v.fill, count, offset, value), "")
                    << v.name << " count " << count << " offset " << offset;
            }
}

TEST(FillCharTest, LargeCountsOnBothSidesOfTheNonTemporalThresholds) {
    std::vector<int> counts = {1000, 4101, 70000, 3 << 20};
    for (int threshold : {0x80000, 0x100000})
        for (int delta : {0, 16, 31, 32, 48}) counts.push_back(threshold + delta);
    FillTarget target(3 << 20);
    for (const FillVariant& v : kFills)
        for (int count : counts)
            for (int offset : {0, 1, 8, 15})
                ASSERT_EQ(target.Check(v.fill, count, offset, 0xC3), "")
                    << v.name << " count " << count << " offset " << offset;
}

TEST(FillCharTest, EveryByteValueIsStoredUnchanged) {
    // FillCharD stores its pattern through the FPU as a double.
    FillTarget target(1000);
    for (const FillVariant& v : kFills)
        for (int count : {3, 31, 32, 100, 1000})
            for (int value = 0; value < 256; ++value)
                ASSERT_EQ(target.Check(v.fill, count, 5, static_cast<uint8_t>(value)), "")
                    << v.name << " count " << count << " value " << value;
}

TEST(FillCharTest, ZeroOrNegativeCountTouchesNothing) {
    for (const FillVariant& v : kFills)
        for (int32_t count : {0, -1, -31, -32, -100000, INT32_MIN}) v.fill(nullptr, count, 'x');
}

TEST(FillCharTest, EveryPathKeepsRegistersAndLeavesTheFpuEmpty) {
    std::vector<uint8_t> buffer((1 << 20) + 256);
    for (const FillVariant& v : kFills)
        for (int count : {-5, 0, 1, 2, 31, 32, 33, 100, 0x80000 + 64, 0x100000 + 64})
            testsupport::WithEachStackAlignment([&] {
                EXPECT_EQ(BrokenContract(fastcodetest::Code(v.fill), U(buffer.data() + 3), count, 0x4142), "")
                    << v.name << " count " << count;
            });
}

namespace {

// Two equal blocks; Differs(position) makes them differ in one byte.
class ComparePair {
public:
    explicit ComparePair(int maxLength) : a_(maxLength + 64), b_(maxLength + 64) {
        FillRandom(a_.data(), a_.size(), 6);
        b_ = a_;
        baseA_ = static_cast<int>(-reinterpret_cast<uintptr_t>(a_.data()) & 15);
        baseB_ = static_cast<int>(-reinterpret_cast<uintptr_t>(b_.data()) & 15);
    }

    // The routine's answer for `length` bytes at the given alignments, with
    // byte `differ` of the second block changed (-1: none).
    bool Equal(CompareMemRoutine compare, int length, int offsetA, int offsetB, int differ, uint8_t flip = 0x80) {
        uint8_t* b = &b_[baseB_ + offsetB];
        const uint8_t* a = &a_[baseA_ + offsetA];
        std::memcpy(b, a, length > 0 ? length : 0);
        if (differ >= 0) b[differ] ^= flip;
        return compare(a, b, length);
    }

private:
    std::vector<uint8_t> a_, b_;
    int baseA_, baseB_;
};

}  // namespace

TEST(CompareMemTest, EveryLengthToThreeHundredAtEveryAlignment) {
    ComparePair pair(300);
    for (const CompareVariant& v : kCompares)
        for (int length = 0; length <= 300; ++length)
            for (int oa = 0; oa < 16; ++oa)
                for (int ob = 0; ob < 16; ++ob) {
                    ASSERT_TRUE(pair.Equal(v.compare, length, oa, ob, -1)) << v.name << " " << length;
                    for (int differ : {0, 3, 4, length / 2, length - 9, length - 8, length - 1}) {
                        if (differ < 0 || differ >= length) continue;
                        ASSERT_FALSE(pair.Equal(v.compare, length, oa, ob, differ))
                            << v.name << " length " << length << " offsets " << oa << "/" << ob << " differ "
                            << differ;
                    }
                }
}

TEST(CompareMemTest, EveryDifferingPositionIsFound) {
    ComparePair pair(100);
    for (const CompareVariant& v : kCompares)
        for (int length = 1; length <= 100; ++length)
            for (int oa = 0; oa < 16; ++oa)
                for (int ob : {0, 1, 6, 11})
                    for (int differ = 0; differ < length; ++differ)
                        ASSERT_FALSE(pair.Equal(v.compare, length, oa, ob, differ, static_cast<uint8_t>(1 << (differ & 7))))
                            << v.name << " length " << length << " offsets " << oa << "/" << ob << " differ "
                            << differ;
}

TEST(CompareMemTest, LargeBlocks) {
    ComparePair pair(70000);
    for (const CompareVariant& v : kCompares)
        for (int length : {1000, 4096, 4099, 70000})
            for (int oa : {0, 1, 9})
                for (int ob : {0, 4, 15}) {
                    ASSERT_TRUE(pair.Equal(v.compare, length, oa, ob, -1)) << v.name << " " << length;
                    for (int differ : {0, 3, 4, 15, 16, 17, length / 2, length - 17, length - 16, length - 1})
                        ASSERT_FALSE(pair.Equal(v.compare, length, oa, ob, differ)) << v.name << " " << length;
                }
}

TEST(CompareMemTest, NothingIsReadPastEitherEnd) {
    fastcodetest::FencedRegion a(8192), b(8192);
    FillRandom(a.Begin(), a.Size(), 7);
    std::memcpy(b.Begin(), a.Begin(), a.Size());
    for (const CompareVariant& v : kCompares)
        for (int length = 0; length <= 8192; length += (length < 300 ? 1 : 997)) {
            // Both blocks end at a fence; then both start right after one.
            ASSERT_TRUE(v.compare(a.End() - length, b.End() - length, length)) << v.name << " " << length;
            ASSERT_TRUE(v.compare(a.Begin(), b.Begin(), length)) << v.name << " " << length;
        }
}

TEST(CompareMemTest, ZeroOrNegativeLengthIsEqualWithoutReading) {
    for (const CompareVariant& v : kCompares)
        for (int32_t length : {0, -1, -8, -100000, INT32_MIN}) EXPECT_TRUE(v.compare(nullptr, nullptr, length)) << v.name;
}

TEST(CompareMemTest, ResultInAlAndRegistersKeptFromAnyStack) {
    std::vector<uint8_t> a(5001, 7), b(5001, 7);
    b[5000] = 8;
    for (const CompareVariant& v : kCompares)
        for (int length : {0, 3, 7, 8, 13, 31, 32, 255, 256, 4999})
            testsupport::WithEachStackAlignment([&] {
                uint32_t result = 0;
                EXPECT_EQ(BrokenContract(fastcodetest::Code(v.compare), U(a.data() + 1), U(b.data() + 1), length,
                                         &result),
                          "")
                    << v.name;
                EXPECT_EQ(result & 0xFF, 1u) << v.name << " " << length;
                EXPECT_EQ(BrokenContract(fastcodetest::Code(v.compare), U(a.data()), U(b.data()), 5001, &result), "");
                EXPECT_EQ(result & 0xFF, 0u) << v.name;
            });
}
