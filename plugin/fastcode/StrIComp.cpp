#include "fastcode/StrIComp.h"

#include "fastcode/FastcodeCPUID.h"
#include "fastcode/StringBlocks.h"

namespace toravex {

int32_t HOSTCALL StrICompA(const char* s1, const char* s2) {
    if (s1 == s2) return 0;
    const uint8_t* upper = strings::kAsciiCase.upper;
    const auto* a = reinterpret_cast<const uint8_t*>(s1);
    const auto* b = reinterpret_cast<const uint8_t*>(s2);
    for (;; ++a, ++b) {
        const uint32_t c1 = *a, c2 = *b;
        if (c1 == c2) {
            if (c1 == 0) return 0;
            continue;
        }
        const int32_t f1 = upper[c1], f2 = upper[c2];
        if (f1 != f2) return f1 - f2;
    }
}

StrICompRoutine StrICompFor(uint8_t target) {
    return RoutineTargetName(target)[0] ? StrICompA : nullptr;
}

}  // namespace toravex
