// Results that are host long strings, made with the host runtime's own
// helpers, so the host's memory manager and reference counting own them.
// `result` is the caller's result variable; it may hold the very string an
// argument points into (S := UpperCase(S)), so every helper builds the new
// value first and releases the old one last.
#pragma once

#include <cstdint>

#include "base/HostRuntime.h"

namespace toravex {

// A fresh, unshared host string of `length` (> 0) characters.
inline char* NewHostString(int32_t length) {
    char* s = nullptr;
    Runtime().lstrSetLength(&s, length);
    return s;
}

// Stores a string built aside into the result variable, then releases what
// the variable held.
inline void StoreResult(char** result, char* fresh) {
    char* old = *result;
    *result = fresh;
    if (old) Runtime().lstrClr(&old);
}

inline void ClearResult(char** result) { Runtime().lstrClr(result); }

// result := s itself (one more reference).
inline void ShareResult(char** result, const char* s) { Runtime().lstrAsg(result, s); }

// result := the `length` characters at `text`.
void SetResult(char** result, const char* text, int32_t length);
// result := the concatenation of two pieces.
void SetResult2(char** result, const char* a, int32_t lengthA, const char* b, int32_t lengthB);

}  // namespace toravex
