#include "base/ContainerMemory.h"

#include <windows.h>

#include "base/HostRuntime.h"

namespace toravex {

ContainerMemory::ContainerMemory() : host_(Runtime().getMem && Runtime().freeMem) {}

void* ContainerMemory::Allocate(size_t size) {
    if (host_) return Runtime().getMem(static_cast<int32_t>(size));
    return HeapAlloc(GetProcessHeap(), HEAP_GENERATE_EXCEPTIONS, size);
}

void ContainerMemory::Release(void* block) {
    if (!block) return;
    if (host_)
        Runtime().freeMem(block);
    else
        HeapFree(GetProcessHeap(), 0, block);
}

}  // namespace toravex
