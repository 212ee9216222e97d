// Calling a routine exactly as host code calls it (HostCaller.S), and what
// the call left behind.
#pragma once

#include <cstddef>
#include <cstdint>

struct HostCallFrame {
    uint32_t eax, edx, ecx;
    uint32_t stackCount;
    uint32_t stack[5];  // in push order: the first pushed first
    uint32_t outEax, outEdx, outFlags;
    int32_t stackRemoved;     // bytes of arguments the routine removed
    uint32_t preserved;       // EBX, ESI, EDI and EBP survived
    uint32_t fpuEmpty;        // the FPU/MMX registers were left empty
    uint32_t directionClear;  // the direction flag was left clear
};
static_assert(offsetof(HostCallFrame, outEax) == 36 && offsetof(HostCallFrame, preserved) == 52 &&
              offsetof(HostCallFrame, directionClear) == 60);

extern "C" void testsupport_host_call(const void* routine, HostCallFrame* frame);
