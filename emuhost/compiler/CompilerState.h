// What the compiler hooks change in the IDE and must give back, as one line
// of the emulated IDE's log (ide/HostedCompiler.h):
//   compiler-state <when> table=<FNV-1a hash of the 104 bytes> readonly=<first 8 bytes of IsReadonly>
#pragma once

#include <cstdint>
#include <cstdio>

#include "CompilerCallbacks.h"

namespace emucompiler {

inline void FormatCompilerState(char* line, size_t size, const char* when, const uint8_t* table,
                                const uint8_t* isReadonly) {
    uint32_t hash = 2166136261u;
    for (int i = 0; i < hostabi::kCompilerCallbackTableSize; ++i) hash = (hash ^ table[i]) * 16777619u;
    char readonly[17] = "missing";
    if (isReadonly)
        for (int i = 0; i < 8; ++i) std::snprintf(readonly + 2 * i, 3, "%02X", isReadonly[i]);
    std::snprintf(line, size, "compiler-state %s table=%08X readonly=%s", when, hash, readonly);
}

// The file name of the build's IDE core package.
inline void CorePackageName(char* name, size_t size, int build) {
    if (build == 50)
        std::snprintf(name, size, "coride50.bpl");
    else
        std::snprintf(name, size, "coreide%d.bpl", build);
}

}  // namespace emucompiler
