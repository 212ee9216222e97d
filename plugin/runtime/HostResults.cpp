#include "runtime/HostResults.h"

#include "core/HostRuntime.h"

namespace toravex {

namespace {

void Store(char** result, char* fresh) {
    char* old = *result;
    *result = fresh;
    if (old) Runtime().lstrClr(&old);
}

void CopyBytes(char* to, const char* from, int32_t n) {
    for (int32_t i = 0; i < n; ++i) to[i] = from[i];
}

}  // namespace

void SetResult(char** result, const char* text, int32_t length) { SetResult2(result, text, length, nullptr, 0); }

void ShareResult(char** result, const char* source) { Runtime().lstrAsg(result, source); }

void SetResult2(char** result, const char* a, int32_t lengthA, const char* b, int32_t lengthB) {
    char* fresh = nullptr;
    if (lengthA + lengthB > 0) {
        Runtime().lstrSetLength(&fresh, lengthA + lengthB);
        CopyBytes(fresh, a, lengthA);
        CopyBytes(fresh + lengthA, b, lengthB);
    }
    Store(result, fresh);
}

}  // namespace toravex
