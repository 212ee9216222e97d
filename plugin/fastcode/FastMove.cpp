#include "fastcode/FastMove.h"

#include "base/BuildProfile.h"
#include "fastcode/FastcodeCPUID.h"

namespace toravex {

extern "C" {

int32_t LargeMoveThreshold = 0;

bool HOSTCALL UseNonTemporalMove(int32_t alignedBytes, int32_t threshold) {
    const int32_t blockPart = alignedBytes & ~127;
    return -blockPart < threshold;
}

}  // extern "C"

MoveRoutine MoveSlot = nullptr;

MoveRoutine SelectMoveVariant(uint16_t features) {
    if (features & FeatureSSE3) return MoveSSE3;
    if (features & FeatureSSE2) return MoveSSE2;
    if (features & FeatureSSE) return MoveSSE;
    if (features & FeatureMMX) return MoveMMX;
    return MoveGeneric;
}

int32_t LargeMoveThresholdFor(uint16_t l2CacheKB) { return -static_cast<int32_t>(l2CacheKB) * 512; }

void PrepareFastMove() {
    LargeMoveThreshold = LargeMoveThresholdFor(Processor.l2CacheKB);
    // The builds without a routine table move through the FPU on every processor.
    MoveSlot = Profile().hasRoutineTable ? SelectMoveVariant(Processor.features) : &MoveGeneric;
}

}  // namespace toravex
