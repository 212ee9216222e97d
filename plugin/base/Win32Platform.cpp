#include "base/Win32Platform.h"

#include "base/HostRuntime.h"

namespace toravex {

bool Win32Platform::Protect(void* address, size_t size, DWORD protection, DWORD* oldProtection) {
    return VirtualProtect(address, size, protection, oldProtection) != 0;
}

size_t Win32Platform::Query(const void* address, MEMORY_BASIC_INFORMATION* info, size_t size) {
    return VirtualQuery(address, info, size);
}

bool Win32Platform::IsReadable(const void* address, size_t size) { return !IsBadReadPtr(address, size); }

void Win32Platform::FlushCode(const void* address, size_t size) {
    FlushInstructionCache(GetCurrentProcess(), address, size);
}

void* Win32Platform::AllocateExecutablePages(size_t size) {
    return VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_EXECUTE_READWRITE);
}

HANDLE Win32Platform::CurrentProcess() { return GetCurrentProcess(); }
DWORD Win32Platform::CurrentProcessId() { return GetCurrentProcessId(); }

bool Win32Platform::ReadMemory(HANDLE process, const void* address, void* buffer, size_t size, size_t* done) {
    SIZE_T n = 0;
    bool ok = ReadProcessMemory(process, address, buffer, size, &n) != 0;
    if (done) *done = n;
    return ok;
}

bool Win32Platform::Store(void* address, const void* bytes, size_t size) {
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

int32_t Win32Platform::Family() { return HostPlatform(); }

HMODULE Win32Platform::GetModule(const char* name) { return GetModuleHandleA(name); }
HMODULE Win32Platform::LoadModule(const char* name) { return LoadLibraryA(name); }

void* Win32Platform::GetExport(HMODULE module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(module, name));
}

DWORD Win32Platform::GetModuleFile(HMODULE module, char* buffer, DWORD size) {
    return GetModuleFileNameA(module, buffer, size);
}

}  // namespace toravex
