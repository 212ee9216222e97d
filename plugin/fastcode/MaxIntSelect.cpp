// Which Max variant each routine target uses.
#include "fastcode/MaxInt.h"

#include "fastcode/FastcodeCPUID.h"

namespace toravex {

MaxRoutine MaxFor(uint8_t target) {
    // Generic runs on processors without CMOV, which MaxA needs.
    return ByTarget<MaxRoutine>(target, {MaxB, MaxA, MaxA, MaxA, MaxA, MaxA, MaxA, MaxB, MaxA, MaxA});
}

}  // namespace toravex
