// The host's memory manager: GetMem, FreeMem and ReallocMem on the process heap.
#include <windows.h>

#include "EmuRuntime.h"

namespace emurtl {

void* HOSTCALL GetMem(int32_t size) {
    if (size <= 0) return nullptr;
    return HeapAlloc(GetProcessHeap(), 0, static_cast<SIZE_T>(size));
}

int32_t HOSTCALL FreeMem(void* p) {
    if (!p) return 0;
    return HeapFree(GetProcessHeap(), 0, p) ? 0 : 1;
}

void* HOSTCALL ReallocMem(void** p, int32_t newSize) {
    if (!*p) {
        *p = GetMem(newSize);
    } else if (newSize <= 0) {
        FreeMem(*p);
        *p = nullptr;
    } else {
        *p = HeapReAlloc(GetProcessHeap(), 0, *p, static_cast<SIZE_T>(newSize));
    }
    return *p;
}

}  // namespace emurtl

extern "C" {
void* HOSTCALL emu_System_GetMem(int32_t size) { return emurtl::GetMem(size); }
int32_t HOSTCALL emu_System_FreeMem(void* p) { return emurtl::FreeMem(p); }
void* HOSTCALL emu_System_ReallocMem(void** p, int32_t n) { return emurtl::ReallocMem(p, n); }
}
