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

bool Win32PatchPlatform::WriteMemory(HANDLE process, void* address, const void* buffer, size_t size, size_t* done) {
    SIZE_T n = 0;
    bool ok = WriteProcessMemory(process, address, buffer, size, &n) != 0;
    if (done) *done = n;
    return ok;
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
