// The production platform: each operation is the Win32 call of its name.
// Tests derive their fakes from it and override only what they break.
#pragma once

#include "base/SystemPlatform.h"

namespace toravex {

class Win32Platform : public SystemPlatform {
public:
    bool Protect(void* address, size_t size, DWORD protection, DWORD* oldProtection) override;
    size_t Query(const void* address, MEMORY_BASIC_INFORMATION* info, size_t size) override;
    bool IsReadable(const void* address, size_t size) override;
    void FlushCode(const void* address, size_t size) override;
    void* AllocateExecutablePages(size_t size) override;
    HANDLE CurrentProcess() override;
    DWORD CurrentProcessId() override;
    bool ReadMemory(HANDLE process, const void* address, void* buffer, size_t size, size_t* done) override;
    bool Store(void* address, const void* bytes, size_t size) override;
    int32_t Family() override;
    HMODULE GetModule(const char* name) override;
    HMODULE LoadModule(const char* name) override;
    void* GetExport(HMODULE module, const char* name) override;
    DWORD GetModuleFile(HMODULE module, char* buffer, DWORD size) override;
};

}  // namespace toravex
