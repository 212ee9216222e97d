// Which FillChar variant each routine target uses.
#include "fastcode/FillChar.h"

#include "fastcode/FastcodeCPUID.h"

namespace toravex {

FillCharRoutine FillCharFor(uint8_t target) {
    switch (target) {
        case TargetIntelF15M6:
        case TargetAmdF15: return FillCharA;
        case TargetSSE2:
        case TargetIntelF15Early:
        case TargetAmdF15Sse3: return FillCharB;
        case TargetMMX:
        case TargetIntelF6M13:
        case TargetIntelF6M14: return FillCharC;
        case TargetGeneric: return FillCharD;
        case TargetSSE: return FillCharE;
        default: return nullptr;
    }
}

}  // namespace toravex
