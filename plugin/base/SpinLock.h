// A minimal lock for short sections that may run on any thread of the host,
// including threads that arrive through a call-site stub: no initialisation
// (usable from static storage before any preparation ran), no CRT, no
// kernel object. Waiters yield their time slice instead of spinning hard.
#pragma once

#include <windows.h>

namespace toravex {

class SpinLock {
public:
    void Lock() {
        while (InterlockedExchange(&held_, 1) != 0) Sleep(0);
    }
    void Unlock() { InterlockedExchange(&held_, 0); }

private:
    volatile LONG held_ = 0;
};

class SpinLockGuard {
public:
    explicit SpinLockGuard(SpinLock& lock) : lock_(lock) { lock_.Lock(); }
    ~SpinLockGuard() { lock_.Unlock(); }
    SpinLockGuard(const SpinLockGuard&) = delete;
    SpinLockGuard& operator=(const SpinLockGuard&) = delete;

private:
    SpinLock& lock_;
};

}  // namespace toravex
