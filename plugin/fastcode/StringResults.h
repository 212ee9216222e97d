// Results that are host strings, made with the host runtime's own helpers,
// so the host's memory manager and reference counting own them.
#pragma once

#include <cstdint>

#include "core/HostRuntime.h"

namespace toravex::strings {

// A fresh, unshared host string of `length` (> 0) characters.
inline char* NewHostString(int32_t length) {
    char* s = nullptr;
    Runtime().lstrSetLength(&s, length);
    return s;
}

// Stores a string built aside into the result variable, then releases what
// the variable held. Building aside keeps the source alive when the result
// variable is the very variable that holds the source (S := UpperCase(S)).
inline void StoreResult(char** result, char* fresh) {
    char* old = *result;
    *result = fresh;
    if (old) Runtime().lstrClr(&old);
}

inline void ClearResult(char** result) { Runtime().lstrClr(result); }

// The result shares s (one more reference).
inline void ShareResult(char** result, const char* s) { Runtime().lstrAsg(result, s); }

}  // namespace toravex::strings
