#include "base/HostResults.h"

namespace toravex {

namespace {

// A plain loop: the C runtime's memcpy may be routed to the replacements.
void CopyBytes(char* to, const char* from, int32_t n) {
    for (int32_t i = 0; i < n; ++i) to[i] = from[i];
}

}  // namespace

void SetResult(char** result, const char* text, int32_t length) { SetResult2(result, text, length, nullptr, 0); }

void SetResult2(char** result, const char* a, int32_t lengthA, const char* b, int32_t lengthB) {
    char* fresh = nullptr;
    if (lengthA + lengthB > 0) {
        fresh = NewHostString(lengthA + lengthB);
        CopyBytes(fresh, a, lengthA);
        CopyBytes(fresh + lengthA, b, lengthB);
    }
    StoreResult(result, fresh);
}

}  // namespace toravex
