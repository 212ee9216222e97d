// Which Max variant each routine target uses.
#include "fastcode/MaxInt.h"

#include "fastcode/FastcodeCPUID.h"

namespace toravex {

MaxRoutine MaxFor(uint8_t target) {
    switch (target) {
        // Generic runs on processors without CMOV, which MaxA needs.
        case TargetGeneric:
        case TargetIntelF15M6: return MaxB;
        case TargetMMX:
        case TargetSSE:
        case TargetSSE2:
        case TargetIntelF6M13:
        case TargetIntelF6M14:
        case TargetIntelF15Early:
        case TargetAmdF15:
        case TargetAmdF15Sse3: return MaxA;
        default: return nullptr;
    }
}

}  // namespace toravex
