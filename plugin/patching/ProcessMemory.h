// Redirection with a 5-byte save area owned by the caller (a save area whose
// first byte is 0 counts as not installed), and 4-byte helpers for entries
// of class tables. Reads go through ProcessHandle, taken when the primitives
// are prepared, so that an unreadable entry fails instead of faulting;
// writes go through the code writer.
#pragma once

#include <windows.h>

#include <cstdint>

namespace toravex {

extern HANDLE ProcessHandle;

// ReadProcessMemory of the 5 bytes at entry into saveArea.
bool ReadCode(const void* entry, uint8_t* saveArea);
// Writes 5 bytes (StoreCode); true when it succeeds.
bool WriteCode(void* entry, const uint8_t* bytes);
// Saves the 5 entry bytes (a failed read leaves saveArea as it was) and
// writes a jump to target. Entry is already resolved (ResolveEntry).
bool RedirectCode(void* entry, const void* target, uint8_t* saveArea);
// Writes the 5 saved bytes back.
bool RestoreCode(void* entry, const uint8_t* saveArea);

// Plain read of the 32-bit value at base + offset.
uint32_t ReadPointerAt(const void* base, int32_t offset);
// One 32-bit store of value at base + offset (StoreCode).
bool WritePointerAt(void* base, int32_t offset, uint32_t value);

}  // namespace toravex
