#include "patching/HeapAllocator.h"

#include "base/HostRuntime.h"
#include "base/SystemPlatform.h"

namespace toravex {

namespace {

using RaiseLastError = void(HOSTCALL*)();

// The host runtime's routine that raises its exception for GetLastError:
// RaiseLastOSError, or in the oldest runtime, which predates it, the
// RaiseLastWin32Error that the later ones keep beside it.
RaiseLastError HostRaiseLastError() {
    HMODULE rtl = Runtime().module;
    if (auto raise = FindHostRoutine<RaiseLastError>(rtl, hostnames::Sysutils_RaiseLastOSError)) return raise;
    return FindHostRoutine<RaiseLastError>(rtl, hostnames::Sysutils_RaiseLastWin32Error);
}

}  // namespace

THeapAllocator::THeapAllocator(bool executable)
    : Heap(HeapCreate(0, 0, 0)), Protection(executable ? PAGE_EXECUTE_READWRITE : 0) {}

THeapAllocator::~THeapAllocator() {
    if (Heap) HeapDestroy(Heap);
}

void* THeapAllocator::Allocate(size_t size) {
    if (!Heap) return nullptr;
    void* block = HeapAlloc(Heap, 0, size);
    if (!block || !Protection) return block;
    DWORD old;
    if (Platform().Protect(block, size, Protection, &old)) return block;

    const DWORD error = GetLastError();
    HeapFree(Heap, 0, block);
    if (RaiseLastError raise = HostRaiseLastError()) {
        SetLastError(error);
        raise();
    }
    return nullptr;
}

void THeapAllocator::Release(void* block) {
    if (Heap && block) HeapFree(Heap, 0, block);
}

}  // namespace toravex
