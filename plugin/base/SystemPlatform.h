// The operating-system services the patching logic needs, behind one narrow
// interface. Production runs on the Win32 implementation; tests install a
// fake that refuses protection changes, fails process-memory reads and
// writes, reports bytes unreadable, hides PSAPI or makes VirtualQuery fail,
// so that every failure path runs on plain byte buffers.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace toravex {

class SystemPlatform {
public:
    virtual ~SystemPlatform() = default;

    // VirtualProtect.
    virtual bool Protect(void* address, size_t size, DWORD protection, DWORD* oldProtection) = 0;
    // VirtualQuery: the number of bytes of info filled, 0 on failure.
    virtual size_t Query(const void* address, MEMORY_BASIC_INFORMATION* info, size_t size) = 0;
    // IsBadReadPtr, inverted.
    virtual bool IsReadable(const void* address, size_t size) = 0;
    // FlushInstructionCache of the current process.
    virtual void FlushCode(const void* address, size_t size) = 0;
    // VirtualAlloc: fresh committed read-write-execute pages, nil on failure.
    virtual void* AllocateExecutablePages(size_t size) = 0;

    virtual HANDLE CurrentProcess() = 0;
    virtual DWORD CurrentProcessId() = 0;
    // ReadProcessMemory: a read that fails instead of faulting.
    virtual bool ReadMemory(HANDLE process, const void* address, void* buffer, size_t size, size_t* done) = 0;
    // The store of the code writer, into bytes it made writable: four bytes
    // in one 32-bit store, any other count byte by byte.
    virtual bool Store(void* address, const void* bytes, size_t size) = 0;

    // The host's platform family: 2 for the NT family, 1 for Windows 9x.
    virtual int32_t Family() = 0;

    // GetModuleHandleA, LoadLibraryA, GetProcAddress, GetModuleFileNameA.
    virtual HMODULE GetModule(const char* name) = 0;
    virtual HMODULE LoadModule(const char* name) = 0;
    virtual void* GetExport(HMODULE module, const char* name) = 0;
    virtual DWORD GetModuleFile(HMODULE module, char* buffer, DWORD size) = 0;
};

// The platform in use: the Win32 one unless a test installed another.
SystemPlatform& Platform();

// Installs platform (nil: the Win32 one again) and returns the one it
// replaces. Meant for tests; not for use while other threads patch.
SystemPlatform* SetPlatform(SystemPlatform* platform);

}  // namespace toravex
