// StringReplace: S with the first (or every) occurrence of OldPattern
// replaced by NewPattern, in the host's register convention with two stack
// arguments (Flags, then the result variable; declared here in reverse
// order). One routine for every processor.
#pragma once

#include <atomic>
#include <cstdint>

#include "HostCall.h"
#include "fastcode/PosEx.h"

namespace toravex {

// The host's set of replace flags, one byte.
enum ReplaceFlag : uint8_t {
    ReplaceAll = 0x01,
    ReplaceIgnoreCase = 0x02,
};

// Empty S gives the empty string; no match, an empty OldPattern or one
// longer than S give S itself (shared). Matches do not overlap. The result
// variable may be the variable that holds any argument.
void HOSTCALL_STACK StringReplace(const char* s, const char* oldPattern, const char* newPattern, char** result,
                                  uint8_t flags);

// The upper-case form of every byte in the system's current ANSI code page,
// built on first use and built again whenever that code page changes. A
// table is built aside and published whole; it is never changed or freed
// afterwards, so a thread still reading an older one reads whole bytes.
struct ReplaceCaseTable {
    uint32_t codePage;
    uint8_t upper[256];
};
extern std::atomic<const ReplaceCaseTable*> CaseTable;  // nil until built
const uint8_t* CurrentCaseTable();

// PosEx over the case table: bytes compare after both are upper-cased.
int32_t HOSTCALL CaseTableSearch(const char* subStr, const char* s, int32_t offset);

// The search without ignore case is the host's PosEx as the plug-in finds
// it (once the runtime patches are in, the PosEx variant chosen for this
// processor); PosExA when the host has none. Tests may supply another
// (null returns to the host's).
void SetCaseSensitiveReplaceSearch(PosExRoutine search);

}  // namespace toravex
