// The one way the plug-in changes bytes of loaded code or import tables:
// under one process-wide lock, make the bytes writable with execute rights
// kept (a routine entry's page runs code, and an import table may share a
// page with code), store, put the old protection back, flush the
// instruction cache.
//
// The lock matters: two threads changing the same page (two call-site stubs
// rewriting their callers at once, say) could otherwise interleave so that
// one restores the read-only protection while the other is still storing,
// and the store faults inside the host.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "base/SpinLock.h"

namespace toravex {

SpinLock& CodeWriteLock();

// One write under the lock: the constructor makes [address, address + size)
// writable, the destructor puts the old protection back and flushes.
class CodeWrite {
public:
    CodeWrite(void* address, size_t size);
    ~CodeWrite();
    CodeWrite(const CodeWrite&) = delete;
    CodeWrite& operator=(const CodeWrite&) = delete;

    // Whether the protection change succeeded; nothing may be stored if not.
    explicit operator bool() const { return writable_; }

    // Stores size bytes at at (inside the range). Four bytes go in as one
    // 32-bit store, so a thread executing or loading them sees the old value
    // or the new one, never a mix, as long as they do not cross a cache line.
    bool Store(void* at, const void* bytes, size_t size);

private:
    SpinLockGuard guard_;
    void* address_;
    size_t size_;
    DWORD oldProtection_ = 0;
    bool writable_;
};

// Writes size bytes at address in one CodeWrite; false when the protection
// change or the store failed (then nothing was written).
bool StoreCode(void* address, const void* bytes, size_t size);

}  // namespace toravex
