// Use-counted redirection of a routine's entry to a replacement: the first
// install writes a 5-byte jump at the real entry (import thunks and 9x
// forwarding stubs followed) and saves what was there; only the last removal
// writes it back. Hooks that must call the original routine remove their
// redirection, call it, and reinstall in a finally step.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace toravex {

// Statically allocated by its owner, zero-initialised.
struct RedirectRecord {
    void* Address;         // the patched entry; nil when nothing was patched
    int32_t UseCount;      // outstanding installs; patched while >= 1
    uint8_t SavedBytes[8]; // the entry's first 8 bytes before the first install
};
static_assert(sizeof(RedirectRecord) == 16);

// Routine nil: Address := nil, nothing else. Otherwise the first install
// (UseCount 0) makes the 6 entry bytes writable, saves 8 bytes and writes the
// jump; a refused protection change writes nothing. UseCount always counts.
void InstallRedirect(void* routine, const void* target, RedirectRecord& record);
// Starts the record afresh (UseCount 0, Address nil), then InstallRedirect.
void StartRedirect(void* routine, const void* target, RedirectRecord& record);
// The removal that brings UseCount from 1 to 0 writes the saved 5 bytes
// back; every removal counts down, also below 0.
void RemoveRedirect(RedirectRecord& record);
// InstallRedirect at the record's own entry: for handlers after they called
// the original routine.
void ReinstallRedirect(const void* target, RedirectRecord& record);
// InstallRedirect of an export found by name; a missing module or export
// makes a nil routine.
void RedirectExport(HMODULE module, const char* exportName, const void* target, RedirectRecord& record);

// Writes size bytes of code over the real entry of routine (import thunk
// followed), with nothing saved. True when all bytes were written.
bool OverwriteCode(void* routine, const void* code, size_t size);
// Writes size bytes into this process's code (StoreCode); true when it
// succeeds.
bool WriteOwnMemory(void* address, const void* buffer, size_t size);

}  // namespace toravex
