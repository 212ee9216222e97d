// Every Move variant against a copy through an intermediate buffer: every
// count to 600 and around the block sizes, every source and destination
// alignment, overlaps both ways, guard bytes around every destination, and
// the block routine's two kinds of loop forced in turn.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "RoutineProbe.h"
#include "TestSupport.h"
#include "fastcode/FastMove.h"
#include "fastcode/FastcodeCPUID.h"

using namespace toravex;

namespace {

const std::pair<const char*, MoveRoutine> kVariants[] = {
    {"MoveGeneric", MoveGeneric}, {"MoveMMX", MoveMMX}, {"MoveSSE", MoveSSE},
    {"MoveSSE2", MoveSSE2},       {"MoveSSE3", MoveSSE3},
};

constexpr int32_t kAlwaysNonTemporal = 0;  // every block of 128 bytes or more
constexpr int32_t kNeverNonTemporal = INT32_MIN;
constexpr int kGuard = 32;

struct ThresholdScope {
    explicit ThresholdScope(int32_t threshold) : saved(LargeMoveThreshold) { LargeMoveThreshold = threshold; }
    ~ThresholdScope() { LargeMoveThreshold = saved; }
    int32_t saved;
};

// Moves within one random buffer and checks the window spanning both blocks
// and kGuard bytes either side against a copy made through a buffer.
// Positions are offsets from a 16-byte boundary.
class MoveChecker {
public:
    explicit MoveChecker(int size) : pristine_(size + 2 * kGuard + 16), work_(pristine_.size()) {
        fastcodetest::FillRandom(pristine_.data(), pristine_.size(), 1);
        work_ = pristine_;
        base_ = kGuard + static_cast<int>(-reinterpret_cast<uintptr_t>(work_.data() + kGuard) & 15);
    }

    bool Check(MoveRoutine move, int count, int source, int dest) {
        source += base_;
        dest += base_;
        const int low = std::min(source, dest) - kGuard;
        const int high = std::max(source, dest) + std::max(count, 0) + kGuard;
        std::vector<uint8_t> expected(&pristine_[low], &pristine_[high]);
        if (count > 0) {
            std::vector<uint8_t> through(&pristine_[source], &pristine_[source + count]);
            std::copy(through.begin(), through.end(), expected.begin() + (dest - low));
        }
        move(&work_[source], &work_[dest], count);
        const bool same = std::memcmp(&work_[low], expected.data(), expected.size()) == 0;
        std::memcpy(&work_[low], &pristine_[low], expected.size());
        return same;
    }

private:
    std::vector<uint8_t> pristine_, work_;
    int base_;
};

// Apart: the destination starts 16-byte aligned past the source block and
// its guard, plus its own alignment.
int Apart(int count, int destAlignment) { return ((count + 2 * kGuard + 15) & ~15) + destAlignment; }

}  // namespace

TEST(MoveTest, EveryCountToSixHundredAtEveryAlignment) {
    MoveChecker checker(2 * 700);
    for (auto [name, move] : kVariants)
        for (int count = 0; count <= 600; ++count)
            for (int s = 0; s < 16; ++s)
                for (int d = 0; d < 16; ++d)
                    ASSERT_TRUE(checker.Check(move, count, s, Apart(count, d)))
                        << name << " " << count << " +" << s << " +" << d;
}

TEST(MoveTest, BlockSizesThroughBothKindsOfLoopAndPastAHalfCacheThreshold) {
    MoveChecker checker(2 * 300100);
    std::vector<int> counts;
    for (int around : {2048, 4096, 70000})
        for (int delta : {-17, -1, 0, 1, 15}) counts.push_back(around + delta);
    for (auto [name, move] : kVariants) {
        for (int32_t threshold : {kAlwaysNonTemporal, kNeverNonTemporal}) {
            ThresholdScope scope(threshold);
            for (int count : counts)
                for (int s = 0; s < 16; ++s)
                    for (int d = 0; d < 16; d += (count > 5000 ? 5 : 1))
                        ASSERT_TRUE(checker.Check(move, count, s, Apart(count, d)))
                            << name << " threshold " << threshold << " count " << count << " +" << s << " +" << d;
        }
        ThresholdScope halfOf512KB(LargeMoveThresholdFor(512));
        for (int count : {200000, 262144 + 2048, 300000})
            for (int s : {0, 1, 8})
                ASSERT_TRUE(checker.Check(move, count, s, Apart(count, 3))) << name << " " << count;
    }
}

TEST(MoveTest, OverlapsInBothDirectionsMoveAsIfThroughABuffer) {
    MoveChecker checker(70000 + 35000 + 64);
    ThresholdScope scope(kAlwaysNonTemporal);
    std::vector<int> counts;
    for (int c = 0; c <= 600; ++c) counts.push_back(c);
    counts.insert(counts.end(), {3000, 4096, 70000});
    for (auto [name, move] : kVariants)
        for (int count : counts)
            for (int distance : {1, 7, 16, count / 2})
                for (int offset = 0; distance > 0 && offset < 16; offset += (count > 600 ? 3 : 1)) {
                    ASSERT_TRUE(checker.Check(move, count, offset, offset + distance)) << name << " up " << count;
                    ASSERT_TRUE(checker.Check(move, count, offset + distance, offset)) << name << " down " << count;
                }
}

TEST(MoveTest, NothingOutsideTheBlocksIsTouched) {
    fastcodetest::FencedRegion fenced(8192);
    fastcodetest::FillRandom(fenced.Begin(), fenced.Size(), 4);
    std::vector<uint8_t> dest(8192 + 16);
    for (auto [name, move] : kVariants) {
        // Zero or negative counts: these pointers are not even valid.
        for (int32_t count : {0, -1, -36, -37, -4096, INT32_MIN}) {
            move(nullptr, nullptr, count);
            move(reinterpret_cast<void*>(16), reinterpret_cast<void*>(64), count);
        }
        // A source right against a no-access page at either end.
        for (int count : {1, 7, 36, 37, 63, 64, 65, 100, 2047, 2048, 4000, 8192})
            for (int d = 0; d < 16; ++d) {
                move(fenced.End() - count, dest.data() + d, count);
                ASSERT_EQ(std::memcmp(dest.data() + d, fenced.End() - count, count), 0) << name << " " << count;
                move(fenced.Begin(), dest.data() + d, count);
                ASSERT_EQ(std::memcmp(dest.data() + d, fenced.Begin(), count), 0) << name << " " << count;
            }
        // Source = Dest: nothing is written, so a read-only block survives.
        DWORD old;
        VirtualProtect(fenced.Begin(), fenced.Size(), PAGE_READONLY, &old);
        for (int count : {1, 36, 37, 64, 65, 2048, 8192}) move(fenced.Begin(), fenced.Begin(), count);
        VirtualProtect(fenced.Begin(), fenced.Size(), PAGE_READWRITE, &old);
    }
}

TEST(MoveTest, RegistersKeptAndFpuLeftEmptyOnEveryPath) {
    std::vector<uint8_t> buffer(300000);
    const uint32_t p = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(buffer.data() + 16));
    for (auto [name, move] : kVariants)
        for (int32_t threshold : {kAlwaysNonTemporal, kNeverNonTemporal}) {
            ThresholdScope scope(threshold);
            for (int count : {0, 5, 36, 40, 63, 64, 100, 1000, 3000, 100000})
                testsupport::WithEachStackAlignment([&] {
                    const void* code = fastcodetest::Code(move);
                    EXPECT_EQ(fastcodetest::BrokenContract(code, p + 1, p, count), "") << name << " down " << count;
                    EXPECT_EQ(fastcodetest::BrokenContract(code, p, p + 3, count), "") << name << " up " << count;
                    EXPECT_EQ(fastcodetest::BrokenContract(code, p, p + 150000, count), "") << name << " " << count;
                });
        }
}

TEST(MoveTest, VariantAndThresholdFollowTheProcessorRecord) {
    EXPECT_EQ(SelectMoveVariant(0), MoveGeneric);
    EXPECT_EQ(SelectMoveVariant(FeatureFPU | FeatureCMOV | FeatureThreeDNow | FeatureMMXExtensions), MoveGeneric);
    EXPECT_EQ(SelectMoveVariant(FeatureMMX), MoveMMX);
    EXPECT_EQ(SelectMoveVariant(FeatureMMX | FeatureSSE), MoveSSE);
    EXPECT_EQ(SelectMoveVariant(FeatureMMX | FeatureSSE | FeatureSSE2), MoveSSE2);
    EXPECT_EQ(SelectMoveVariant(FeatureMMX | FeatureSSE | FeatureSSE2 | FeatureSSE3), MoveSSE3);

    const ProcessorInfo saved = Processor;
    ThresholdScope keep(LargeMoveThreshold);
    Processor = {};
    Processor.features = FeatureFPU | FeatureMMX | FeatureSSE | FeatureSSE2;
    Processor.l2CacheKB = 512;
    PrepareFastMove();
    EXPECT_EQ(MoveSlot, MoveSSE2);
    EXPECT_EQ(LargeMoveThreshold, -262144);
    Processor.l2CacheKB = 65535;  // the largest the record holds
    PrepareFastMove();
    EXPECT_EQ(LargeMoveThreshold, -65535 * 512);
    Processor = saved;
}

TEST(MoveTest, NonTemporalLoopsOnlyForBlocksLargerThanHalfTheLevel2Cache) {
    // A forward 4096-byte move gives the block routine its 16-byte-aligned
    // middle: 4080 or 4096 bytes, whatever the destination's alignment.
    for (int32_t middle : {4080, 4096}) EXPECT_TRUE(UseNonTemporalMove(middle, LargeMoveThresholdFor(0)));
    EXPECT_FALSE(UseNonTemporalMove(112, LargeMoveThresholdFor(0))) << "no 128-byte part";
    const int32_t halfOf512KB = LargeMoveThresholdFor(512);
    for (int32_t middle : {299984, 300000}) EXPECT_TRUE(UseNonTemporalMove(middle, halfOf512KB));
    for (int32_t middle : {199984, 200000}) EXPECT_FALSE(UseNonTemporalMove(middle, halfOf512KB));
    EXPECT_FALSE(UseNonTemporalMove(262144 + 112, halfOf512KB)) << "the 128-byte part must be larger";
    EXPECT_TRUE(UseNonTemporalMove(262144 + 128, halfOf512KB));
}
