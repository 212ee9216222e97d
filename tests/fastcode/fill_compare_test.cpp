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

namespace {

const std::pair<const char*, FillCharRoutine> kFills[] = {
    {"FillCharA", FillCharA}, {"FillCharB", FillCharB}, {"FillCharC", FillCharC},
    {"FillCharD", FillCharD}, {"FillCharE", FillCharE},
};
const std::pair<const char*, CompareMemRoutine> kCompares[] = {
    {"CompareMemA", CompareMemA}, {"CompareMemB", CompareMemB}, {"CompareMemC", CompareMemC},
    {"CompareMemD", CompareMemD}, {"CompareMemE", CompareMemE}, {"CompareMemF", CompareMemF},
};

constexpr int kGuard = 32;

uint32_t Address(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

// Fills at an offset from a 16-byte boundary inside random guard bytes;
// true when exactly the count bytes hold the value.
class FillChecker {
public:
    explicit FillChecker(int maxCount) : pristine_(maxCount + 2 * kGuard + 16), work_(pristine_.size()) {
        fastcodetest::FillRandom(pristine_.data(), pristine_.size(), 5);
        work_ = pristine_;
        base_ = kGuard + static_cast<int>(-reinterpret_cast<uintptr_t>(work_.data() + kGuard) & 15);
    }

    bool Check(FillCharRoutine fill, int count, int offset, uint8_t value) {
        const int at = base_ + offset;
        fill(&work_[at], count, static_cast<char>(value));
        bool ok = std::memcmp(&work_[at - kGuard], &pristine_[at - kGuard], kGuard) == 0 &&
                  std::memcmp(&work_[at + count], &pristine_[at + count], kGuard) == 0;
        for (int i = 0; ok && i < count; ++i) ok = work_[at + i] == value;
        std::memcpy(&work_[at - kGuard], &pristine_[at - kGuard], count + 2 * kGuard);
        return ok;
    }

private:
    std::vector<uint8_t> pristine_, work_;
    int base_;
};

}  // namespace

TEST(FillCharTest, WritesExactlyCountBytesAtEveryAlignment) {
    FillChecker checker(3 << 20);
    std::vector<int> large = {1000, 4101, 70000, 3 << 20};
    for (int threshold : {0x80000, 0x100000})
        for (int inside : {0, 16, 31, 32, 48}) large.push_back(threshold + inside);
    for (auto [name, fill] : kFills) {
        for (int count = 0; count <= 300; ++count)
            for (int offset = 0; offset < 16; ++offset)
                ASSERT_TRUE(checker.Check(fill, count, offset, static_cast<uint8_t>(count * 37 + offset)))
                    << name << " count " << count << " +" << offset;
        for (int count : large)
            for (int offset : {0, 1, 8, 15})
                ASSERT_TRUE(checker.Check(fill, count, offset, 0xC3)) << name << " " << count;
        // Every value, also through FillCharD's FPU pattern.
        for (int value = 0; value < 256; ++value)
            for (int count : {3, 31, 32, 100})
                ASSERT_TRUE(checker.Check(fill, count, 5, static_cast<uint8_t>(value))) << name << " value " << value;
    }
}

TEST(FillCharTest, RegistersKeptAndFpuLeftEmptyNothingForCountsBelowOne) {
    std::vector<uint8_t> buffer((1 << 20) + 256);
    for (auto [name, fill] : kFills) {
        for (int32_t count : {0, -1, -31, -32, -100000, INT32_MIN}) fill(nullptr, count, 'x');
        for (int count : {-5, 0, 1, 2, 31, 32, 33, 100, 0x80000 + 64, 0x100000 + 64})
            testsupport::WithEachStackAlignment([&, name = name, fill = fill] {
                EXPECT_EQ(BrokenContract(fastcodetest::Code(fill), Address(buffer.data() + 3), count, 0x4142), "")
                    << name << " " << count;
            });
    }
}

namespace {

// Two equal random blocks at offsets from 16-byte boundaries; the second
// changed in one byte (`differ`, -1 for none) before comparing.
class ComparePair {
public:
    explicit ComparePair(int maxLength) : a_(maxLength + 32), b_(maxLength + 32) {
        fastcodetest::FillRandom(a_.data(), a_.size(), 6);
    }

    bool Equal(CompareMemRoutine compare, int length, int offsetA, int offsetB, int differ, uint8_t flip = 0x80) {
        const uint8_t* a = Aligned(a_) + offsetA;
        uint8_t* b = Aligned(b_) + offsetB;
        std::memcpy(b, a, length);
        if (differ >= 0) b[differ] ^= flip;
        return compare(a, b, length);
    }

private:
    static uint8_t* Aligned(std::vector<uint8_t>& v) {
        return v.data() + (-reinterpret_cast<uintptr_t>(v.data()) & 15);
    }
    std::vector<uint8_t> a_, b_;
};

}  // namespace

TEST(CompareMemTest, EqualBlocksAndEveryDifferenceAtEveryAlignment) {
    ComparePair pair(70000);
    for (auto [name, compare] : kCompares) {
        for (int length = 0; length <= 300; ++length)
            for (int oa = 0; oa < 16; ++oa)
                for (int ob = 0; ob < 16; ++ob) {
                    ASSERT_TRUE(pair.Equal(compare, length, oa, ob, -1)) << name << " " << length;
                    for (int differ : {0, 3, 4, length / 2, length - 9, length - 8, length - 1})
                        ASSERT_TRUE(differ < 0 || differ >= length || !pair.Equal(compare, length, oa, ob, differ))
                            << name << " length " << length << " +" << oa << "/+" << ob << " differ " << differ;
                }
        // Every single position, for the short blocks where head, middle
        // and tail meet.
        for (int length = 1; length <= 100; ++length)
            for (int oa = 0; oa < 16; ++oa)
                for (int differ = 0; differ < length; ++differ)
                    ASSERT_FALSE(pair.Equal(compare, length, oa, oa * 7 % 16, differ, uint8_t(1 << (differ & 7))))
                        << name << " length " << length << " +" << oa << " differ " << differ;
        for (int length : {1000, 4099, 70000})
            for (int oa : {0, 1, 9}) {
                ASSERT_TRUE(pair.Equal(compare, length, oa, 4, -1)) << name << " " << length;
                for (int differ : {0, 3, 4, 16, 17, length / 2, length - 17, length - 16, length - 1})
                    ASSERT_FALSE(pair.Equal(compare, length, oa, 4, differ)) << name << " " << length;
            }
    }
}

TEST(CompareMemTest, NothingIsReadOutsideTheBlocks) {
    fastcodetest::FencedRegion a(8192), b(8192);
    fastcodetest::FillRandom(a.Begin(), a.Size(), 7);
    std::memcpy(b.Begin(), a.Begin(), a.Size());
    for (auto [name, compare] : kCompares) {
        for (int32_t length : {0, -1, -8, -100000, INT32_MIN}) EXPECT_TRUE(compare(nullptr, nullptr, length)) << name;
        for (int length = 0; length <= 8192; length += (length < 300 ? 1 : 997)) {
            ASSERT_TRUE(compare(a.End() - length, b.End() - length, length)) << name << " " << length;
            ASSERT_TRUE(compare(a.Begin(), b.Begin(), length)) << name << " " << length;
        }
    }
}

TEST(CompareMemTest, ResultInAlAndRegistersKeptFromAnyStack) {
    std::vector<uint8_t> a(5001, 7), b(5001, 7);
    b[5000] = 8;
    for (auto [name, compare] : kCompares)
        for (int length : {0, 3, 7, 8, 13, 31, 32, 255, 256, 5000})
            testsupport::WithEachStackAlignment([&, name = name, compare = compare] {
                const void* code = fastcodetest::Code(compare);
                uint32_t result = 0;
                EXPECT_EQ(BrokenContract(code, Address(a.data()), Address(b.data()), length, &result), "") << name;
                EXPECT_EQ(result & 0xFF, 1u) << name << " " << length;
                EXPECT_EQ(BrokenContract(code, Address(a.data()), Address(b.data()), length + 1, &result), "");
                EXPECT_EQ(result & 0xFF, length == 5000 ? 0u : 1u) << name << " " << length + 1;
            });
}
