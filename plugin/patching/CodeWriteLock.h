// One process-wide lock around every "make writable, store, put the old
// protection back" sequence of the plug-in: code entries, call sites and
// import slots. Without it two threads patching the same page (two call-site
// stubs rewriting their callers at once, say) can interleave so that one
// restores the read-only protection while the other is still storing, and
// the store faults inside the host.
#pragma once

#include "patching/SpinLock.h"

namespace toravex {

SpinLock& CodeWriteLock();

class CodeWriteGuard : public SpinLockGuard {
public:
    CodeWriteGuard() : SpinLockGuard(CodeWriteLock()) {}
};

}  // namespace toravex
