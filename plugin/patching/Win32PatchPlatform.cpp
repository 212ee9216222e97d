#include "patching/Win32PatchPlatform.h"

#include "core/HostRuntime.h"

namespace toravex {

bool Win32PatchPlatform::Protect(void* address, size_t size, DWORD protection, DWORD* oldProtection) {
    return VirtualProtect(address, size, protection, oldProtection) != 0;
}

size_t Win32PatchPlatform::Query(const void* address, MEMORY_BASIC_INFORMATION* info, size_t size) {
    return VirtualQuery(address, info, size);
}

bool Win32PatchPlatform::IsReadable(const void* address, size_t size) { return !IsBadReadPtr(address, size); }

void Win32PatchPlatform::FlushCode(const void* address, size_t size) {
    FlushInstructionCache(GetCurrentProcess(), address, size);
}

void* Win32PatchPlatform::AllocateExecutablePages(size_t size) {
    return VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_EXECUTE_READWRITE);
}

HANDLE Win32PatchPlatform::CurrentProcess() { return GetCurrentProcess(); }
DWORD Win32PatchPlatform::CurrentProcessId() { return GetCurrentProcessId(); }

bool Win32PatchPlatform::ReadMemory(HANDLE process, const void* address, void* buffer, size_t size, size_t* done) {
    SIZE_T n = 0;
    bool ok = ReadProcessMemory(process, address, buffer, size, &n) != 0;
    if (done) *done = n;
    return ok;
}

bool Win32PatchPlatform::Store(void* address, const void* bytes, size_t size) {
    if (size == 4) {
        uint32_t value;
        __builtin_memcpy(&value, bytes, 4);
        __atomic_store_n(static_cast<uint32_t*>(address), value, __ATOMIC_RELEASE);
        return true;
    }
    // A plain loop: the C runtime's memcpy may be one of the routines being
    // patched.
    auto* to = static_cast<volatile uint8_t*>(address);
    const auto* from = static_cast<const uint8_t*>(bytes);
    for (size_t i = 0; i < size; ++i) to[i] = from[i];
    return true;
}

int32_t Win32PatchPlatform::Family() { return HostPlatform(); }

HMODULE Win32PatchPlatform::GetModule(const char* name) { return GetModuleHandleA(name); }
HMODULE Win32PatchPlatform::LoadModule(const char* name) { return LoadLibraryA(name); }

void* Win32PatchPlatform::GetExport(HMODULE module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(module, name));
}

DWORD Win32PatchPlatform::GetModuleFile(HMODULE module, char* buffer, DWORD size) {
    return GetModuleFileNameA(module, buffer, size);
}

}  // namespace toravex
