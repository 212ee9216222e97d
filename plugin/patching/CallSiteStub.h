// Call-site stubs: 37-byte trampolines, 110 to a 4096-byte executable page,
// never freed. A stub placed in an import slot forwards every call to its
// target with EAX, EDX, ECX and the stack unchanged; when the caller reached
// it by a direct call (E8) of an import thunk, it first rewrites that call to
// go straight to the resolved target, so the thunk and the stub leave the
// path from the second call on.
//
// Stub code (offsets within the stub; X, P, T filled in per stub):
//    0  50             push eax
//    1  8B 44 24 04    mov eax, [esp+4]        caller's return address R
//    5  83 E8 05       sub eax, 5              C = R - 5
//    8  80 38 E8       cmp byte [eax], 0E8h    a direct call at C?
//   11  75 0E          jne 27
//   13  52             push edx
//   14  51             push ecx
//   15  BA X           mov edx, X              resolved target
//   20  E8 P           call RewriteCallSite    P = routine - (stub + 25)
//   25  59             pop ecx
//   26  5A             pop edx
//   27  58             pop eax
//   28  E9 T           jmp target              T = target - (stub + 33)
//   33  90 90          filler
//   35  C3             ret (never reached)
//   36  90             unused
#pragma once

#include <cstddef>
#include <cstdint>

#include "HostCall.h"
#include "base/SpinLock.h"

namespace toravex {

constexpr size_t kCallSiteStubSize = 37;
constexpr size_t kStubPageSize = 4096;
constexpr int32_t kStubsPerPage = 110;

constexpr size_t kStubResolvedTargetOffset = 16;  // X
constexpr size_t kStubRewriteCallOffset = 21;     // P
constexpr size_t kStubJumpOffset = 29;            // T

extern const uint8_t kCallSiteStubTemplate[kCallSiteStubSize];

// A stub page: the page allocated before it, the stubs in use, the stubs.
struct StubPage {
    StubPage* previous;
    int32_t count;
    uint8_t stubs[kStubsPerPage][kCallSiteStubSize];
};
// 8 bytes of header and 110 stubs: 4078 of the page's 4096 bytes.
constexpr size_t kStubPageUsedBytes = 8 + kStubsPerPage * kCallSiteStubSize;
static_assert(offsetof(StubPage, stubs) == 8 && offsetof(StubPage, stubs) + sizeof(StubPage::stubs) == kStubPageUsedBytes &&
              kStubPageUsedBytes == 4078 && sizeof(StubPage) <= kStubPageSize);

// Writes a stub into slot as it must read when it lies at slotAddress.
void FillCallSiteStub(uint8_t* slot, uintptr_t slotAddress, uintptr_t target, uintptr_t resolvedTarget,
                      uintptr_t rewriteRoutine);

// A chain of stub pages, the newest first.
class StubPageChain {
public:
    // A new stub jumping to target, or target itself when no page could be had.
    void* MakeStub(void* target);
    StubPage* Newest() const { return newest_; }

private:
    StubPage* newest_ = nullptr;
    SpinLock lock_;
};

// The process's stub pages.
extern StubPageChain StubPages;

// A stub for target from the process's pages (target itself on failure).
void* MakeCallSiteStub(void* target);

// Where the direct call (E8 rel32) at callAddress goes.
const uint8_t* CallDestination(const uint8_t* callAddress);

// Points the direct call at callAddress to newTarget with one 32-bit store,
// under the code-write lock. A displacement that would cross a cache line is
// left alone (another thread executing the call could see half of it).
bool RetargetCall(uint8_t* callAddress, const void* newTarget);

// Called by a stub: CallAddress (EAX) is a direct call E8 rel32; when its
// destination is an import thunk of the accepted shape, the call is changed
// to reach newTarget (EDX) directly. Preserves every register but EAX, EDX,
// ECX (the host's register convention does exactly that).
void HOSTCALL RewriteCallSite(uint8_t* callAddress, void* newTarget);

// Whether the destination of a direct call may be replaced: it holds an
// import thunk FF 25 m32 followed by the host linker's filler 8B C0 or by
// the next thunk's FF 25. Bytes that cannot be read do not qualify.
bool IsRewritableThunk(const uint8_t* destination);

}  // namespace toravex
