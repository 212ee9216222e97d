#include "fastcode/LowerCase.h"

#include "base/HostResults.h"
#include "fastcode/CaseFoldBlocks.h"
#include "fastcode/FastcodeCPUID.h"

namespace toravex {

using namespace strings;

__attribute__((target("mmx"))) void HOSTCALL LowerCaseA(const char* s, char** result) {
    const int32_t n = LengthOf(s);
    if (n == 0) return ClearResult(result);
    char* d = NewHostString(n);
    int32_t i = 0;
    if (n >= 16) {
        const MmxFold fold(0x25);
        for (; i <= n - 16; i += 16) fold.Lower16(s + i, d + i);
        _mm_empty();
    }
    for (; i < n; ++i) d[i] = static_cast<char>(kAsciiCase.lower[static_cast<uint8_t>(s[i])]);
    StoreResult(result, d);
}

void HOSTCALL LowerCaseB(const char* s, char** result) {
    const int32_t n = LengthOf(s);
    if (n == 0) return ClearResult(result);
    char* d = NewHostString(n);
    FoldWordsTopDown<Lower4>(s, d, n);
    StoreResult(result, d);
}

LowerCaseRoutine LowerCaseFor(uint8_t target) {
    return ByTarget<LowerCaseRoutine>(target, {
        LowerCaseB, LowerCaseA, LowerCaseA, LowerCaseA, LowerCaseA,
        LowerCaseA, LowerCaseA, LowerCaseA, LowerCaseB, LowerCaseB});
}

}  // namespace toravex
