#include "patching/LoadedModules.h"

#include <tlhelp32.h>

#include <vector>

#include "base/SystemPlatform.h"

namespace toravex {

namespace {

static_assert(sizeof(MODULEENTRY32) == 548, "the ANSI module entry record");

LoadedModuleFinder gFinder;

// Whether module's file name without its path equals fileName, as the host's
// AnsiCompareText compares: the user's locale, ignoring case.
bool HasFileName(HMODULE module, const char* fileName) {
    char path[MAX_PATH + 1];
    const DWORD length = Platform().GetModuleFile(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    path[length] = '\0';
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == ':') name = p + 1;
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, name, -1, fileName, -1) == CSTR_EQUAL;
}

}  // namespace

void LoadedModuleFinder::BindModuleList() {
    if (moduleListBound_) return;
    HMODULE psapi = Platform().LoadModule("PSAPI.dll");
    if (reinterpret_cast<uintptr_t>(psapi) >= 32)
        enumProcessModules_ =
            reinterpret_cast<EnumProcessModulesFn>(Platform().GetExport(psapi, "EnumProcessModules"));
    moduleListBound_ = true;
}

void LoadedModuleFinder::BindSnapshot() {
    if (snapshotBound_) return;
    if (HMODULE kernel = Platform().GetModule("kernel32.dll")) {
        createSnapshot_ = reinterpret_cast<SnapshotFn>(Platform().GetExport(kernel, "CreateToolhelp32Snapshot"));
        firstModule_ = reinterpret_cast<ModuleWalkFn>(Platform().GetExport(kernel, "Module32First"));
        nextModule_ = reinterpret_cast<ModuleWalkFn>(Platform().GetExport(kernel, "Module32Next"));
    }
    snapshotBound_ = true;
}

HMODULE LoadedModuleFinder::FindWithModuleList(const char* fileName, bool& listed) {
    BindModuleList();
    HANDLE process = Platform().CurrentProcess();
    DWORD needed = 0;
    listed = enumProcessModules_ && enumProcessModules_(process, nullptr, 0, &needed);
    if (!listed) return nullptr;
    std::vector<HMODULE> modules(needed / sizeof(HMODULE));
    if (modules.empty()) return nullptr;
    const DWORD size = static_cast<DWORD>(modules.size() * sizeof(HMODULE));
    if (!enumProcessModules_(process, modules.data(), size, &needed)) return nullptr;
    for (HMODULE module : modules)
        if (module && HasFileName(module, fileName)) return module;
    return nullptr;
}

HMODULE LoadedModuleFinder::FindWithSnapshot(const char* fileName) {
    BindSnapshot();
    if (!createSnapshot_ || !firstModule_ || !nextModule_) return nullptr;
    HANDLE snapshot = createSnapshot_(TH32CS_SNAPMODULE, Platform().CurrentProcessId());
    if (snapshot == INVALID_HANDLE_VALUE) return nullptr;
    MODULEENTRY32 entry;
    entry.dwSize = sizeof entry;
    HMODULE found = nullptr;
    for (BOOL more = firstModule_(snapshot, &entry); more && !found; more = nextModule_(snapshot, &entry))
        if (HasFileName(entry.hModule, fileName)) found = entry.hModule;
    CloseHandle(snapshot);
    return found;
}

HMODULE LoadedModuleFinder::Find(const char* fileName) {
    if (!fileName) return nullptr;
    if (Platform().Family() == VER_PLATFORM_WIN32_NT) {
        bool listed = false;
        HMODULE module = FindWithModuleList(fileName, listed);
        if (listed) return module;
    }
    return FindWithSnapshot(fileName);
}

HMODULE FindLoadedModule(const char* fileName) { return gFinder.Find(fileName); }

}  // namespace toravex
