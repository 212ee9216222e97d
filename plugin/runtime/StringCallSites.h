// Replacements of the host's string helpers that compiled code calls
// everywhere: long-string assignment (on single-processor machines), the
// internal wide-string store, and the long- and wide-string comparisons,
// whose equality-only callers are rewritten on their first call. Installed
// at load by jumps at the host entries and never removed.
#pragma once

#include <cstdint>

#include "HostCall.h"

extern "C" {
// Flags results (see StringCompare.S): S1 in EAX, S2 in EDX.
void toravex_LStrCmp();
void toravex_WStrCmp();
void toravex_LStrEquals();
void toravex_WStrEquals();
// Called by the comparisons for a caller that only tests equality.
void toravex_rewrite_comparison_site(uint8_t* returnAddress, const void* equality, const void* comparison);
}

namespace toravex {

// The assignment replacements (Dest variable, Source string), with plain
// reference-count updates: only correct on a single processor.
void HOSTCALL LStrAsgReplacement(char** dest, const char* source);
void HOSTCALL LStrLAsgReplacement(char** dest, const char* source);
// The wide-string store (Dest variable, new value).
void HOSTCALL WideStoreReplacement(wchar_t** dest, wchar_t* value);

// The real entry of a host routine from the address the plug-in found for
// it: a forwarding stub (68 imm32 E9 ...) and an import thunk (FF 25) are
// followed. Nil stays nil.
uint8_t* ResolveStringHelperEntry(const void* address);

// The internal wide-string store routine, found inside WStrSetLength (from
// its resolved entry): a call (E8) followed by 5F 5E 5B C3 whose target
// starts with 87 10. Nil when the signature is not found.
uint8_t* FindWideStringStore(const uint8_t* wstrSetLengthEntry);

// Writes a jump to target over the 5 bytes at entry; false when entry is nil
// or the protection change fails.
bool WriteJump(uint8_t* entry, const void* target);

// The number of processors the system reports; tests replace it.
using ProcessorCountFn = unsigned (*)();
ProcessorCountFn SetProcessorCountSource(ProcessorCountFn source);

// The module preparation: installs every replacement the host allows.
void PrepareStringOptimize();

}  // namespace toravex
