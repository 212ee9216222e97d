// The call-site rewrite that a call-site stub performs when it runs.
#include "base/SystemPlatform.h"
#include "patching/CallSiteStub.h"
#include "patching/CodeWriter.h"
#include "patching/InstructionShapes.h"

namespace toravex {

namespace {

constexpr size_t kCacheLine = 64;

// A 32-bit store is seen whole by a processor executing the same bytes only
// when it does not cross a cache line. A displacement that does stays as it
// is: its call keeps going through the stub, which is slower but never lets
// another thread run a half-written call.
bool CrossesCacheLine(const uint8_t* p, size_t size) {
    return (reinterpret_cast<uintptr_t>(p) % kCacheLine) + size > kCacheLine;
}

}  // namespace

bool IsRewritableThunk(const uint8_t* d) {
    if (!Platform().IsReadable(d, 8)) return false;
    if (d[0] != 0xFF || d[1] != 0x25) return false;
    return (d[6] == 0x8B && d[7] == 0xC0) || (d[6] == 0xFF && d[7] == 0x25);
}

const uint8_t* CallDestination(const uint8_t* callAddress) {
    return callAddress + kJumpSize + static_cast<int32_t>(ReadU32(callAddress + 1));
}

bool RetargetCall(uint8_t* callAddress, const void* newTarget) {
    uint8_t* displacement = callAddress + 1;
    if (CrossesCacheLine(displacement, 4)) return false;

    const uint32_t value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(newTarget) -
                                                 reinterpret_cast<uintptr_t>(callAddress + kJumpSize));
    return StoreCode(displacement, &value, sizeof value);
}

void HOSTCALL RewriteCallSite(uint8_t* callAddress, void* newTarget) {
    if (IsRewritableThunk(CallDestination(callAddress))) RetargetCall(callAddress, newTarget);
}

}  // namespace toravex
