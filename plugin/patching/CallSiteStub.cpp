#include "patching/CallSiteStub.h"

#include "base/SystemPlatform.h"
#include "patching/InstructionShapes.h"

namespace toravex {

// clang-format off
const uint8_t kCallSiteStubTemplate[kCallSiteStubSize] = {
    0x50,                          // push eax
    0x8B, 0x44, 0x24, 0x04,        // mov eax, [esp+4]
    0x83, 0xE8, 0x05,              // sub eax, 5
    0x80, 0x38, 0xE8,              // cmp byte [eax], 0E8h
    0x75, 0x0E,                    // jne +14 (offset 27)
    0x52,                          // push edx
    0x51,                          // push ecx
    0xBA, 0x00, 0x00, 0x00, 0x00,  // mov edx, X
    0xE8, 0x00, 0x00, 0x00, 0x00,  // call RewriteCallSite
    0x59,                          // pop ecx
    0x5A,                          // pop edx
    0x58,                          // pop eax
    0xE9, 0x00, 0x00, 0x00, 0x00,  // jmp target
    0x90, 0x90,                    // filler
    0xC3,                          // ret
    0x90,                          // unused
};
// clang-format on

StubPageChain StubPages;

namespace {

void StoreU32(uint8_t* p, uint32_t value) { __builtin_memcpy(p, &value, 4); }

}  // namespace

void FillCallSiteStub(uint8_t* slot, uintptr_t slotAddress, uintptr_t target, uintptr_t resolvedTarget,
                      uintptr_t rewriteRoutine) {
    __builtin_memcpy(slot, kCallSiteStubTemplate, kCallSiteStubSize);
    StoreU32(slot + kStubResolvedTargetOffset, static_cast<uint32_t>(resolvedTarget));
    StoreU32(slot + kStubRewriteCallOffset, static_cast<uint32_t>(rewriteRoutine - (slotAddress + 25)));
    StoreU32(slot + kStubJumpOffset, static_cast<uint32_t>(target - (slotAddress + 33)));
}

void* StubPageChain::MakeStub(void* target) {
    SpinLockGuard guard(lock_);
    if (!newest_ || newest_->count == kStubsPerPage) {
        auto* page = static_cast<StubPage*>(Platform().AllocateExecutablePages(kStubPageSize));
        if (!page) return target;
        page->previous = newest_;
        page->count = 0;
        newest_ = page;
    }
    uint8_t* stub = newest_->stubs[newest_->count];
    FillCallSiteStub(stub, reinterpret_cast<uintptr_t>(stub), reinterpret_cast<uintptr_t>(target),
                     reinterpret_cast<uintptr_t>(ResolveImportThunk(target)),
                     reinterpret_cast<uintptr_t>(&RewriteCallSite));
    Platform().FlushCode(stub, kCallSiteStubSize);
    ++newest_->count;
    return stub;
}

void* MakeCallSiteStub(void* target) { return StubPages.MakeStub(target); }

}  // namespace toravex
