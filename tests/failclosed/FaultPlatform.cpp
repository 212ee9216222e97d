// The platform of the plug-in's fault build: the Win32 platform, except that
// one of its operations fails on its N-th call, as a refused protection
// change, a failed allocation, a module or export that is not found, bytes
// that cannot be read or written. Installed by a static constructor, which
// runs before the library's load notification, so every call the plug-in
// makes goes through it.
//
//   TORAVEX_FAULT=<operation>:<n>[+]   the n-th call of the operation fails
//                                      (with "+" that call and every later one);
//                                      operation "any" counts every call
//   TORAVEX_FAULT_REPORT=<file>        receives at unload one line
//       "calls any=<n> protect=<n> ... failed=<operation>:<n>|none"
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/SystemPlatform.h"
#include "base/Win32Platform.h"

namespace {

enum Operation { kAny, kProtect, kQuery, kReadable, kAlloc, kRead, kStore, kModule, kLoad, kExport, kFile, kCount };
const char* const kNames[kCount] = {"any",   "protect", "query", "readable", "alloc", "read",
                                    "store", "module",  "load",  "export",   "file"};

class FaultPlatform : public toravex::Win32Platform {
public:
    FaultPlatform() {
        char text[64];
        const DWORD n = GetEnvironmentVariableA("TORAVEX_FAULT", text, sizeof text);
        if (n == 0 || n >= sizeof text) return;
        const char* colon = std::strchr(text, ':');
        if (!colon) return;
        for (int op = 0; op < kCount; ++op)
            if (std::strncmp(text, kNames[op], static_cast<size_t>(colon - text)) == 0 &&
                std::strlen(kNames[op]) == static_cast<size_t>(colon - text))
                operation_ = op;
        char* end = nullptr;
        failAt_ = std::strtol(colon + 1, &end, 10);
        onward_ = end && *end == '+';
    }

    ~FaultPlatform() override {
        toravex::SetPlatform(nullptr);
        char file[MAX_PATH];
        const DWORD n = GetEnvironmentVariableA("TORAVEX_FAULT_REPORT", file, sizeof file);
        if (n == 0 || n >= sizeof file) return;
        char line[512];
        int used = std::snprintf(line, sizeof line, "calls");
        for (int op = 0; op < kCount; ++op)
            used += std::snprintf(line + used, sizeof line - used, " %s=%ld", kNames[op], calls_[op]);
        if (failedOp_ >= 0)
            std::snprintf(line + used, sizeof line - used, " failed=%s:%ld\r\n", kNames[failedOp_], failedAt_);
        else
            std::snprintf(line + used, sizeof line - used, " failed=none\r\n");
        HANDLE h = CreateFileA(file, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return;
        DWORD written;
        WriteFile(h, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
        CloseHandle(h);
    }

    bool Protect(void* a, size_t n, DWORD p, DWORD* old) override {
        if (Fails(kProtect)) return SetLastError(ERROR_ACCESS_DENIED), false;
        return Win32Platform::Protect(a, n, p, old);
    }
    size_t Query(const void* a, MEMORY_BASIC_INFORMATION* info, size_t n) override {
        return Fails(kQuery) ? 0 : Win32Platform::Query(a, info, n);
    }
    bool IsReadable(const void* a, size_t n) override { return !Fails(kReadable) && Win32Platform::IsReadable(a, n); }
    void* AllocateExecutablePages(size_t n) override {
        return Fails(kAlloc) ? nullptr : Win32Platform::AllocateExecutablePages(n);
    }
    bool ReadMemory(HANDLE h, const void* a, void* b, size_t n, size_t* done) override {
        if (Fails(kRead)) {
            if (done) *done = 0;
            return false;
        }
        return Win32Platform::ReadMemory(h, a, b, n, done);
    }
    bool Store(void* a, const void* b, size_t n) override { return !Fails(kStore) && Win32Platform::Store(a, b, n); }
    HMODULE GetModule(const char* name) override { return Fails(kModule) ? nullptr : Win32Platform::GetModule(name); }
    HMODULE LoadModule(const char* name) override { return Fails(kLoad) ? nullptr : Win32Platform::LoadModule(name); }
    void* GetExport(HMODULE m, const char* name) override {
        return Fails(kExport) ? nullptr : Win32Platform::GetExport(m, name);
    }
    DWORD GetModuleFile(HMODULE m, char* buffer, DWORD size) override {
        return Fails(kFile) ? 0 : Win32Platform::GetModuleFile(m, buffer, size);
    }

private:
    // Counts the call of op (and of "any"); true when it is to fail.
    bool Fails(int op) {
        const long any = InterlockedIncrement(&calls_[kAny]);
        const long own = InterlockedIncrement(&calls_[op]);
        if (operation_ < 0) return false;
        const long n = operation_ == kAny ? any : operation_ == op ? own : 0;
        if (n == 0 || (onward_ ? n < failAt_ : n != failAt_)) return false;
        if (failedOp_ < 0) failedOp_ = op, failedAt_ = n;
        return true;
    }

    int operation_ = -1;
    long failAt_ = 0;
    bool onward_ = false;
    volatile long calls_[kCount] = {};
    int failedOp_ = -1;
    long failedAt_ = 0;
};

FaultPlatform gFaults;

struct Install {
    Install() { toravex::SetPlatform(&gFaults); }
} gInstall;

}  // namespace
