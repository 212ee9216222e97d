#include "fastcode/UpperCase.h"

#include "base/HostResults.h"
#include "fastcode/CaseFoldBlocks.h"
#include "fastcode/FastcodeCPUID.h"

namespace toravex {

using namespace strings;

__attribute__((target("sse2"))) void HOSTCALL UpperCaseA(const char* s, char** result) {
    const int32_t n = LengthOf(s);
    if (n == 0) return ClearResult(result);
    char* d = NewHostString(n);
    if (n > 32) {
        const Sse2UpperFold fold;
        fold.Upper16(s, d);
        fold.Upper16(s + n - 16, d + n - 16);
        for (int32_t i = AlignedMiddleStart(d); i < n - 16; i += 16) fold.Upper16Aligned(s + i, d + i);
    } else {
        FoldWordsFromStart<Upper4>(s, d, n);
    }
    StoreResult(result, d);
}

__attribute__((target("mmx,sse"))) void HOSTCALL UpperCaseB(const char* s, char** result) {
    const int32_t n = LengthOf(s);
    if (n == 0) return ClearResult(result);
    char* d = NewHostString(n);
    if (n > 32) {
        const MmxSseUpperFold fold;
        fold.Upper16(s, d);
        fold.Upper16(s + n - 16, d + n - 16);
        for (int32_t i = AlignedMiddleStart(d); i < n - 16; i += 16) fold.Upper16(s + i, d + i);
        _mm_empty();
    } else {
        FoldWordsFromStart<Upper4>(s, d, n);
    }
    StoreResult(result, d);
}

__attribute__((target("mmx"))) void HOSTCALL UpperCaseC(const char* s, char** result) {
    const int32_t n = LengthOf(s);
    if (n == 0) return ClearResult(result);
    char* d = NewHostString(n);
    if (n > 32) {
        const MmxFold fold(5);
        fold.Upper16(s, d);
        fold.Upper16(s + n - 16, d + n - 16);
        for (int32_t i = AlignedMiddleStart(d); i < n - 16; i += 16) fold.Upper16(s + i, d + i);
        _mm_empty();
    } else {
        FoldWordsFromStart<Upper4>(s, d, n);
    }
    StoreResult(result, d);
}

void HOSTCALL UpperCaseD(const char* s, char** result) {
    const int32_t n = LengthOf(s);
    if (n == 0) return ClearResult(result);
    char* d = NewHostString(n);
    FoldWordsTopDown<Upper4>(s, d, n);
    StoreResult(result, d);
}

UpperCaseRoutine UpperCaseFor(uint8_t target) {
    return ByTarget<UpperCaseRoutine>(target, {
        UpperCaseD, UpperCaseC, UpperCaseB, UpperCaseB, UpperCaseC,
        UpperCaseC, UpperCaseB, UpperCaseA, UpperCaseC, UpperCaseC});
}

}  // namespace toravex
