#include "runtime/LoaderHooks.h"

#include <atomic>
#include <memory>

#include "base/HostRuntime.h"
#include "base/HostStringList.h"
#include "base/Lifecycle.h"
#include "base/Options.h"
#include "base/Utils.h"
#include "patching/ImportedLibraries.h"
#include "patching/InstructionShapes.h"
#include "patching/ModuleImports.h"

namespace toravex {

void* HostLoadLibraryA = nullptr;
void* HostLoadLibraryExW = nullptr;
void* HostFreeLibrary = nullptr;
RedirectRecord SetThreadPriorityRecord = {};
void (*PackageUnloadNotification)(HMODULE module) = nullptr;
void (*LibraryLoadNotification)(const char* fileName) = nullptr;

namespace {

// Libraries may be loaded on several threads at once; the scanned-module
// names and the list of re-pointed slots take one scan at a time. The lock
// is never held while asking the system's loader for a module, which takes
// the loader's own lock (a thread inside a library's load notification may
// hold that one and call LoadLibrary).
CRITICAL_SECTION gScanLock;
// 0: not made, 1: being made, 2: ready. Published only once initialised, so
// no thread enters a critical section that is not there yet.
std::atomic<int> gScanLockState{0};

bool ScanLockReady() { return gScanLockState.load(std::memory_order_acquire) == 2; }

bool IsPackageName(const char* name) { return SameTextAscii(FileExtPart(name), ".bpl"); }

// Keeps the caller's last-error value across the plug-in's own work.
class LastErrorKeeper {
public:
    LastErrorKeeper() : error_(GetLastError()) {}
    ~LastErrorKeeper() { SetLastError(error_); }

private:
    DWORD error_;
};

}  // namespace

void CreateScanLock() {
    int state = 0;
    if (!gScanLockState.compare_exchange_strong(state, 1)) return;
    InitializeCriticalSection(&gScanLock);
    gScanLockState.store(2, std::memory_order_release);
}

void ScanModuleImports(const char* name, HMODULE handle) {
    if (!name) return;
    if (!handle) handle = FindHostModule(name);
    if (!handle || !ScanLockReady()) return;
    EnterCriticalSection(&gScanLock);
    HookModuleImports(name, handle);
    LeaveCriticalSection(&gScanLock);
}

void ScanModulesLocked(void (*work)()) {
    if (!ScanLockReady()) return work();
    EnterCriticalSection(&gScanLock);
    work();
    LeaveCriticalSection(&gScanLock);
}

const char* FileNamePart(const char* name) {
    if (!name) return nullptr;
    const char* part = name;
    for (const char* p = name; *p; ++p)
        if (*p == '\\' || *p == '/') part = p + 1;
    return part;
}

const char* FileExtPart(const char* name) {
    const char* end = name;
    while (*end) ++end;
    const char* extension = end;
    for (const char* p = name; *p; ++p)
        if (*p == '.' && p[1] != '\\' && p[1] != '/') extension = p;
    return extension;
}

bool IsTortoiseModule(LPCWSTR fileName) {
    if (!fileName) return false;
    LPCWSTR part = nullptr;
    for (LPCWSTR p = fileName; *p; ++p)
        if (*p == L'\\' || *p == L'/') part = p + 1;
    if (!part || !*part) return false;
    static const wchar_t* const kNames[] = {L"tortoisesvn.dll", L"TortoiseProc1033.dll", L"TrtseShl.dll"};
    for (LPCWSTR name : kNames) {
        int result;
        if (!IsWinNT()) {
            char a[MAX_PATH], b[64];
            WideCharToMultiByte(CP_ACP, 0, part, -1, a, sizeof a, nullptr, nullptr);
            WideCharToMultiByte(CP_ACP, 0, name, -1, b, sizeof b, nullptr, nullptr);
            result = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, -1, b, -1);
        } else {
            result = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, part, -1, name, -1);
        }
        if (result == CSTR_EQUAL) return true;
    }
    return false;
}

HMODULE WINAPI LoadLibraryAHook(LPCSTR fileName) {
    const HMODULE module = reinterpret_cast<decltype(&LoadLibraryA)>(HostLoadLibraryA)(fileName);
    LastErrorKeeper keepError;
    if (LibraryLoadNotification) LibraryLoadNotification(fileName);
    if (!module) return module;
    ScanModuleImports(FileNamePart(fileName), module);
    if (!Options.HookAllDlls && !IsPackageName(fileName)) return module;
    std::unique_ptr<HostStringList> names(ImportedLibraryNames(module));
    if (!names) return module;
    for (int32_t i = 0; i < names->Count(); ++i) {
        const char* name = (*names)[i].CStr();
        if (Options.HookBplOnly && !IsPackageName(name)) continue;
        ScanModuleImports(name, nullptr);
    }
    return module;
}

HMODULE WINAPI LoadLibraryExWHook(LPCWSTR fileName, HANDLE file, DWORD flags) {
    const HMODULE module =
        reinterpret_cast<decltype(&LoadLibraryExW)>(HostLoadLibraryExW)(fileName, file, flags);
    LastErrorKeeper keepError;
    char name[MAX_PATH * 2];
    if (!fileName || !WideCharToMultiByte(CP_ACP, 0, fileName, -1, name, sizeof name, nullptr, nullptr)) name[0] = 0;
    // A handle tagged in its low bits is a file mapped for its data or
    // resources (LOAD_LIBRARY_AS_IMAGE_RESOURCE and the like), not a module:
    // scanning it would find nothing and use up its name.
    const bool image = (reinterpret_cast<uintptr_t>(module) & 3) == 0;
    if (module && image && !(flags & (DONT_RESOLVE_DLL_REFERENCES | LOAD_LIBRARY_AS_DATAFILE))) {
        if (!IsTortoiseModule(fileName)) ScanModuleImports(name, module);
    } else if (flags & DONT_RESOLVE_DLL_REFERENCES) {
        if (LibraryLoadNotification) LibraryLoadNotification(name);
    }
    return module;
}

BOOL WINAPI FreeLibraryHook(HMODULE module) {
    const BOOL released = reinterpret_cast<decltype(&FreeLibrary)>(HostFreeLibrary)(module);
    if (released && PackageUnloadNotification) {
        LastErrorKeeper keepError;
        PackageUnloadNotification(module);
    }
    return released;
}

// While the IDE starts, priority changes are answered without effect; the
// first call afterwards takes the hook away for good and does the real work.
BOOL WINAPI SetThreadPriorityHook(HANDLE thread, int priority) {
    if (StartupPhase) return thread ? static_cast<BOOL>(-1) : FALSE;
    void* routine = SetThreadPriorityRecord.Address;
    RemoveRedirect(SetThreadPriorityRecord);
    if (!routine)
        routine = reinterpret_cast<void*>(&SetThreadPriority);
    else if (__builtin_memcmp(routine, SetThreadPriorityRecord.SavedBytes, kJumpSize) != 0)
        // The jump could not be taken away (a refused protection change):
        // the entry still leads here, so the priority stays as it is.
        return thread ? static_cast<BOOL>(-1) : FALSE;
    return reinterpret_cast<decltype(&SetThreadPriority)>(routine)(thread, priority);
}

}  // namespace toravex
