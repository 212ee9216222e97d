// Every Move variant against a copy through an intermediate buffer: every
// count to 600 and around the large-block sizes, every source and
// destination alignment, overlaps both ways, with guard bytes around every
// destination and the cache-bypassing loops forced on and off.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "RoutineProbe.h"
#include "TestSupport.h"
#include "fastcode/FastMove.h"
#include "fastcode/FastcodeCPUID.h"

using namespace toravex;
using fastcodetest::BrokenContract;
using fastcodetest::FillRandom;

namespace {

struct Variant {
    const char* name;
    MoveRoutine move;
};
const Variant kVariants[] = {
    {"MoveGeneric", MoveGeneric}, {"MoveMMX", MoveMMX}, {"MoveSSE", MoveSSE},
    {"MoveSSE2", MoveSSE2},       {"MoveSSE3", MoveSSE3},
};

// The two kinds of block loop: every block non-temporal, or none.
constexpr int32_t kAlwaysNonTemporal = 0;
constexpr int32_t kNeverNonTemporal = INT32_MIN;

constexpr int kGuard = 32;

class ThresholdScope {
public:
    explicit ThresholdScope(int32_t threshold) : saved_(LargeMoveThreshold) { LargeMoveThreshold = threshold; }
    ~ThresholdScope() { LargeMoveThreshold = saved_; }

private:
    int32_t saved_;
};

// Copies between two separate buffers: the destination keeps a pristine
// twin, so every byte outside the copied block is checked after each move.
class SeparateBlocks {
public:
    explicit SeparateBlocks(int maxCount)
        : source_(maxCount + 64), pristine_(maxCount + 2 * kGuard + 64), dest_(pristine_.size()) {
        FillRandom(source_.data(), source_.size(), 1);
        FillRandom(pristine_.data(), pristine_.size(), 2);
        // 16-byte-aligned bases, so the offsets below are the alignments.
        sourceBase_ = AlignUp(source_.data());
        destBase_ = AlignUp(dest_.data()) + kGuard;
        std::memcpy(dest_.data(), pristine_.data(), pristine_.size());
    }

    // Moves count bytes at the given offsets; an empty result when every
    // destination byte, and every guard byte around it, is as expected.
    std::string Check(MoveRoutine move, int count, int sourceOffset, int destOffset) {
        const uint8_t* source = sourceBase_ + sourceOffset;
        uint8_t* dest = destBase_ + destOffset;
        move(source, dest, count);
        const size_t at = dest - dest_.data();
        std::string fault;
        if (std::memcmp(dest - kGuard, &pristine_[at - kGuard], kGuard) != 0) fault = "guard before changed";
        else if (std::memcmp(dest, source, count) != 0) fault = "copy differs";
        else if (std::memcmp(dest + count, &pristine_[at + count], kGuard) != 0) fault = "guard after changed";
        std::memcpy(dest - kGuard, &pristine_[at - kGuard], count + 2 * kGuard);
        return fault;
    }

private:
    static uint8_t* AlignUp(uint8_t* p) { return p + (-reinterpret_cast<uintptr_t>(p) & 15); }
    std::vector<uint8_t> source_, pristine_, dest_;
    uint8_t* sourceBase_;
    uint8_t* destBase_;
};

// Moves within one buffer: distance > 0 moves the block up (Dest above
// Source), < 0 down. The reference is memmove-free: a copy through a buffer.
class OverlappingBlock {
public:
    explicit OverlappingBlock(int maxSpan) : pristine_(maxSpan + 2 * kGuard + 64), work_(pristine_.size()) {
        FillRandom(pristine_.data(), pristine_.size(), 3);
        std::memcpy(work_.data(), pristine_.data(), pristine_.size());
    }

    std::string Check(MoveRoutine move, int count, int distance, int offset) {
        const int span = count + (distance > 0 ? distance : -distance);
        const int window = offset;  // the guard before the block's low end, the span, the guard after
        const int source = kGuard + offset + (distance > 0 ? 0 : -distance);
        const int dest = source + distance;
        std::vector<uint8_t> expected(&pristine_[window], &pristine_[window] + span + 2 * kGuard);
        std::vector<uint8_t> through(&pristine_[source], &pristine_[source] + count);
        std::copy(through.begin(), through.end(), expected.begin() + (dest - window));

        move(&work_[source], &work_[dest], count);
        std::string fault =
            std::memcmp(&work_[window], expected.data(), expected.size()) == 0 ? "" : "block or guard differs";
        std::memcpy(&work_[window], &pristine_[window], expected.size());
        return fault;
    }

private:
    std::vector<uint8_t> pristine_, work_;
};

std::vector<int> LargeCounts() {
    std::vector<int> counts;
    for (int around : {2048, 4096, 70000})
        for (int delta : {-17, -1, 0, 1, 15})
            counts.push_back(around + delta);
    return counts;
}

}  // namespace

TEST(MoveTest, EverySmallCountAtEveryAlignmentCopiesExactly) {
    SeparateBlocks blocks(600);
    for (const Variant& v : kVariants)
        for (int count = 0; count <= 600; ++count)
            for (int s = 0; s < 16; ++s)
                for (int d = 0; d < 16; ++d) {
                    std::string fault = blocks.Check(v.move, count, s, d);
                    ASSERT_EQ(fault, "") << v.name << " count " << count << " source +" << s << " dest +" << d;
                }
}

TEST(MoveTest, LargeCountsCopyExactlyThroughBothKindsOfBlockLoop) {
    SeparateBlocks blocks(70100);
    for (const Variant& v : kVariants)
        for (int32_t threshold : {kAlwaysNonTemporal, kNeverNonTemporal}) {
            ThresholdScope scope(threshold);
            for (int count : LargeCounts())
                for (int s = 0; s < 16; ++s)
                    for (int d = 0; d < 16; d += (count > 5000 ? 5 : 1)) {
                        std::string fault = blocks.Check(v.move, count, s, d);
                        ASSERT_EQ(fault, "") << v.name << " threshold " << threshold << " count " << count
                                             << " source +" << s << " dest +" << d;
                    }
        }
}

TEST(MoveTest, OverlappingBlocksMoveAsIfThroughABuffer) {
    OverlappingBlock block(70000 + 35000 + 16);
    std::vector<int> counts;
    for (int c = 0; c <= 600; ++c) counts.push_back(c);
    for (int c : {3000, 4096, 70000}) counts.push_back(c);
    for (const Variant& v : kVariants) {
        ThresholdScope scope(kAlwaysNonTemporal);
        for (int count : counts)
            for (int distance : {1, 7, 16, count / 2})
                for (int direction : {1, -1})
                    for (int offset = 0; offset < 16; offset += (count > 600 ? 3 : 1)) {
                        if (distance == 0) continue;
                        std::string fault = block.Check(v.move, count, direction * distance, offset);
                        ASSERT_EQ(fault, "") << v.name << " count " << count << " distance "
                                             << direction * distance << " offset " << offset;
                    }
    }
}

TEST(MoveTest, PastTheThresholdOfA512KBCacheBlocksCopyExactly) {
    SeparateBlocks blocks(300000);
    ThresholdScope scope(LargeMoveThresholdFor(512));
    for (const Variant& v : kVariants)
        for (int count : {200000, 262144 + 2048, 300000})
            for (int s : {0, 1, 8})
                for (int d : {0, 3, 15})
                    ASSERT_EQ(blocks.Check(v.move, count, s, d), "") << v.name << " count " << count;
}

TEST(MoveTest, ZeroNegativeOrSameAddressTouchesNothing) {
    // No byte may be read or written: these pointers are invalid, or the
    // block is read-only.
    fastcodetest::FencedRegion readOnly(8192);
    DWORD old;
    VirtualProtect(readOnly.Begin(), readOnly.Size(), PAGE_READONLY, &old);
    for (const Variant& v : kVariants) {
        for (int32_t count : {0, -1, -36, -37, -4096, INT32_MIN}) {
            v.move(nullptr, nullptr, count);
            v.move(reinterpret_cast<void*>(16), reinterpret_cast<void*>(64), count);
            v.move(reinterpret_cast<void*>(64), reinterpret_cast<void*>(16), count);
        }
        for (int32_t count : {1, 36, 37, 64, 65, 2048, 8192}) v.move(readOnly.Begin(), readOnly.Begin(), count);
    }
}

TEST(MoveTest, SourceIsNeverReadPastEitherEnd) {
    fastcodetest::FencedRegion fenced(8192);
    FillRandom(fenced.Begin(), fenced.Size(), 4);
    std::vector<uint8_t> dest(8192 + 64);
    for (const Variant& v : kVariants)
        for (int count : {1, 7, 36, 37, 63, 64, 65, 100, 2047, 2048, 4000, 8192})
            for (int d = 0; d < 16; ++d) {
                v.move(fenced.End() - count, dest.data() + d, count);  // ends at the fence
                ASSERT_EQ(std::memcmp(dest.data() + d, fenced.End() - count, count), 0) << v.name << " " << count;
                v.move(fenced.Begin(), dest.data() + d, count);  // starts at the fence
                ASSERT_EQ(std::memcmp(dest.data() + d, fenced.Begin(), count), 0) << v.name << " " << count;
            }
}

TEST(MoveTest, EveryPathKeepsRegistersAndLeavesTheFpuEmpty) {
    std::vector<uint8_t> buffer(300000);
    uint8_t* p = buffer.data() + 16;
    auto u = [](const void* x) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(x)); };
    for (const Variant& v : kVariants)
        for (int32_t threshold : {kAlwaysNonTemporal, kNeverNonTemporal}) {
            ThresholdScope scope(threshold);
            for (int count : {0, 5, 36, 40, 63, 64, 100, 1000, 3000, 100000}) {
                testsupport::WithEachStackAlignment([&] {
                    // forward, backward and a separate block
                    EXPECT_EQ(BrokenContract(fastcodetest::Code(v.move), u(p + 1), u(p), count), "")
                        << v.name << " forward " << count;
                    EXPECT_EQ(BrokenContract(fastcodetest::Code(v.move), u(p), u(p + 3), count), "")
                        << v.name << " backward " << count;
                    EXPECT_EQ(BrokenContract(fastcodetest::Code(v.move), u(p), u(p + 150000), count), "")
                        << v.name << " apart " << count;
                });
            }
        }
}

TEST(MoveTest, VariantFollowsTheFirstPresentFeature) {
    EXPECT_EQ(SelectMoveVariant(0), MoveGeneric);
    EXPECT_EQ(SelectMoveVariant(FeatureFPU | FeatureCMOV), MoveGeneric);
    EXPECT_EQ(SelectMoveVariant(FeatureMMX), MoveMMX);
    EXPECT_EQ(SelectMoveVariant(FeatureMMX | FeatureSSE), MoveSSE);
    EXPECT_EQ(SelectMoveVariant(FeatureMMX | FeatureSSE | FeatureSSE2), MoveSSE2);
    EXPECT_EQ(SelectMoveVariant(FeatureMMX | FeatureSSE | FeatureSSE2 | FeatureSSE3), MoveSSE3);
    EXPECT_EQ(SelectMoveVariant(FeatureSSE3), MoveSSE3);
    EXPECT_EQ(SelectMoveVariant(FeatureExtended3DNow | FeatureThreeDNow | FeatureMMXExtensions), MoveGeneric);
}

TEST(MoveTest, PreparationFillsTheSlotAndThresholdFromTheProcessorRecord) {
    const ProcessorInfo saved = Processor;
    const int32_t savedThreshold = LargeMoveThreshold;
    Processor = {};
    Processor.features = FeatureFPU | FeatureMMX | FeatureSSE | FeatureSSE2;
    Processor.l2CacheKB = 512;
    PrepareFastMove();
    EXPECT_EQ(MoveSlot, MoveSSE2);
    EXPECT_EQ(LargeMoveThreshold, -262144);

    Processor.features = FeatureFPU;
    Processor.l2CacheKB = 0;
    PrepareFastMove();
    EXPECT_EQ(MoveSlot, MoveGeneric);
    EXPECT_EQ(LargeMoveThreshold, 0);

    Processor.l2CacheKB = 65535;  // the largest the record can hold
    PrepareFastMove();
    EXPECT_EQ(LargeMoveThreshold, -65535 * 512);
    Processor = saved;
    LargeMoveThreshold = savedThreshold;
}

TEST(MoveTest, NonTemporalLoopsOnlyForBlocksLargerThanHalfTheLevel2Cache) {
    // A forward 4096-byte move hands the block routine its 16-byte-aligned
    // middle: 4080 or 4096 bytes, whatever the destination's alignment.
    for (int32_t middle : {4080, 4096}) EXPECT_TRUE(UseNonTemporalMove(middle, LargeMoveThresholdFor(0)));
    EXPECT_FALSE(UseNonTemporalMove(112, LargeMoveThresholdFor(0))) << "no 128-byte part at all";

    const int32_t halfOf512KB = LargeMoveThresholdFor(512);
    for (int32_t middle : {299984, 300000}) EXPECT_TRUE(UseNonTemporalMove(middle, halfOf512KB));
    for (int32_t middle : {199984, 200000}) EXPECT_FALSE(UseNonTemporalMove(middle, halfOf512KB));
    // The 128-byte part must be larger than half the cache.
    EXPECT_FALSE(UseNonTemporalMove(262144 + 112, halfOf512KB));
    EXPECT_TRUE(UseNonTemporalMove(262144 + 128, halfOf512KB));
}
