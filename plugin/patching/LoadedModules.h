// Finding a loaded module by file name when GetModuleHandleA does not find
// it: through PSAPI's module list, or the ToolHelp snapshot when PSAPI is
// missing or fails (and always on the 9x family). Both are bound on first
// use, each once.
#pragma once

#include <windows.h>

namespace toravex {

class LoadedModuleFinder {
public:
    // The first loaded module whose file name (path removed) equals
    // fileName ignoring case, or 0.
    HMODULE Find(const char* fileName);

private:
    using EnumProcessModulesFn = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, LPDWORD);
    using SnapshotFn = HANDLE(WINAPI*)(DWORD, DWORD);
    using ModuleWalkFn = BOOL(WINAPI*)(HANDLE, void*);

    HMODULE FindWithModuleList(const char* fileName, bool& listed);
    HMODULE FindWithSnapshot(const char* fileName);
    void BindModuleList();
    void BindSnapshot();

    bool moduleListBound_ = false;
    EnumProcessModulesFn enumProcessModules_ = nullptr;
    bool snapshotBound_ = false;
    SnapshotFn createSnapshot_ = nullptr;
    ModuleWalkFn firstModule_ = nullptr;
    ModuleWalkFn nextModule_ = nullptr;
};

// Through the process's finder.
HMODULE FindLoadedModule(const char* fileName);

}  // namespace toravex
