// Helpers for the tests of the block and integer-text routines: calling a
// routine exactly as host code does and checking what it must keep, and
// memory that faults right before and after a block.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "HostCaller.h"

namespace fastcodetest {

// What a routine called in the host's register convention failed to keep
// (empty when all is well).
inline std::string BrokenContract(const void* routine, uint32_t eax, uint32_t edx, uint32_t ecx,
                                  uint32_t* result = nullptr) {
    HostCallFrame f{};
    f.eax = eax;
    f.edx = edx;
    f.ecx = ecx;
    testsupport_host_call(routine, &f);
    if (result) *result = f.outEax;
    const bool registersKept = f.preserved && f.stackRemoved == 0;
    return std::string(registersKept ? "" : "registers ") + (f.fpuEmpty ? "" : "FPU/MMX state ") +
           (f.directionClear ? "" : "direction flag");
}

template <class Fn>
const void* Code(Fn fn) {
    return reinterpret_cast<const void*>(fn);
}

// A read-write region with a no-access page right before and right after:
// a routine reading or writing past either end faults.
class FencedRegion {
public:
    explicit FencedRegion(size_t size) : size_((size + 4095) & ~size_t{4095}) {
        base_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, size_ + 8192, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS));
        DWORD old;
        VirtualProtect(base_ + 4096, size_, PAGE_READWRITE, &old);
    }
    ~FencedRegion() { VirtualFree(base_, 0, MEM_RELEASE); }
    FencedRegion(const FencedRegion&) = delete;
    FencedRegion& operator=(const FencedRegion&) = delete;

    uint8_t* Begin() const { return base_ + 4096; }
    uint8_t* End() const { return base_ + 4096 + size_; }
    size_t Size() const { return size_; }

private:
    size_t size_;
    uint8_t* base_;
};

// Deterministic pseudo-random bytes.
inline void FillRandom(uint8_t* p, size_t n, uint32_t seed) {
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < n; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        p[i] = static_cast<uint8_t>(x);
    }
}

}  // namespace fastcodetest
