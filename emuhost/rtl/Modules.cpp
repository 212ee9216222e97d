// Module bookkeeping of System: which module an address belongs to, the
// procedures to call when a module is unloaded, the list of modules (every
// package and library built with the host registers its module record at
// process attach and removes it at detach) and their language resource
// modules, which hold a module's translated resources.
#include <windows.h>

#include <cstring>

#include "EmuRuntime.h"

// System.LibModuleList: the registered modules, the most recent first.
extern "C" {
hostabi::LibModule* emu_System_LibModuleList = nullptr;
}

namespace emurtl {

namespace {

struct UnloadProc {
    ModuleUnloadProc proc;
    UnloadProc* next;
};
UnloadProc* gUnloadProcs = nullptr;
CRITICAL_SECTION gUnloadLock;

// "C:\dir\Pkg.bpl" with its extension replaced by `extension` (no dot).
bool WithExtension(const char* path, const char* extension, char (&out)[MAX_PATH]) {
    const char* dot = std::strrchr(path, '.');
    const char* slash = std::strrchr(path, '\\');
    const size_t stem = dot && (!slash || dot > slash) ? static_cast<size_t>(dot - path) : std::strlen(path);
    if (stem + 1 + std::strlen(extension) + 1 > sizeof out) return false;
    std::memcpy(out, path, stem);
    out[stem] = '.';
    std::strcpy(out + stem + 1, extension);
    return true;
}

HMODULE LoadAsResourceModule(const char* path, const char* extension) {
    char file[MAX_PATH];
    if (!WithExtension(path, extension, file) || GetFileAttributesA(file) == INVALID_FILE_ATTRIBUTES) return nullptr;
    return LoadLibraryExA(file, nullptr, LOAD_LIBRARY_AS_DATAFILE);
}

}  // namespace

void HOSTCALL RegisterModule(hostabi::LibModule* module) {
    module->next = emu_System_LibModuleList;
    emu_System_LibModuleList = module;
}

// The unload procedures hear of the module first, then it leaves the list.
void HOSTCALL UnregisterModule(hostabi::LibModule* module) {
    NotifyModuleUnload(module->instance);
    for (hostabi::LibModule** link = &emu_System_LibModuleList; *link; link = &(*link)->next) {
        if (*link == module) {
            *link = module->next;
            return;
        }
    }
}

// The resource module of the user's language beside the module: its file
// name with the language's three-letter abbreviation as extension ("ENU"),
// else the first two letters ("EN"); 0 when there is none.
uint32_t HOSTCALL LoadResourceModule(const char* moduleName) {
    char language[8] = {};
    if (!moduleName || !GetLocaleInfoA(GetUserDefaultLCID(), LOCALE_SABBREVLANGNAME, language, sizeof language))
        return 0;
    HMODULE module = LoadAsResourceModule(moduleName, language);
    if (!module) {
        language[2] = 0;
        module = LoadAsResourceModule(moduleName, language);
    }
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(module));
}

// The module whose image holds `address` (its allocation base), 0 for an
// address outside committed memory.
uint32_t HOSTCALL FindHInstance(const void* address) {
    MEMORY_BASIC_INFORMATION info;
    if (!VirtualQuery(address, &info, sizeof info) || info.State != MEM_COMMIT) return 0;
    return reinterpret_cast<uint32_t>(info.AllocationBase);
}

void InitModuleUnloadProcs() { InitializeCriticalSection(&gUnloadLock); }

void HOSTCALL AddModuleUnloadProc(ModuleUnloadProc proc) {
    auto* entry = static_cast<UnloadProc*>(GetMem(sizeof(UnloadProc)));
    entry->proc = proc;
    EnterCriticalSection(&gUnloadLock);
    entry->next = gUnloadProcs;
    gUnloadProcs = entry;
    LeaveCriticalSection(&gUnloadLock);
}

void HOSTCALL RemoveModuleUnloadProc(ModuleUnloadProc proc) {
    EnterCriticalSection(&gUnloadLock);
    for (UnloadProc** p = &gUnloadProcs; *p; p = &(*p)->next) {
        if ((*p)->proc == proc) {
            UnloadProc* entry = *p;
            *p = entry->next;
            FreeMem(entry);
            break;
        }
    }
    LeaveCriticalSection(&gUnloadLock);
}

// Tells every registered procedure, the most recently added first, that
// `module` is about to be unloaded.
void NotifyModuleUnload(uint32_t module) {
    EnterCriticalSection(&gUnloadLock);
    for (UnloadProc* p = gUnloadProcs; p; p = p->next) p->proc(module);
    LeaveCriticalSection(&gUnloadLock);
}

}  // namespace emurtl

extern "C" {
uint32_t HOSTCALL emu_System_FindHInstance(const void* a) { return emurtl::FindHInstance(a); }
void HOSTCALL emu_System_AddModuleUnloadProc(emurtl::ModuleUnloadProc p) { emurtl::AddModuleUnloadProc(p); }
void HOSTCALL emu_System_RemoveModuleUnloadProc(emurtl::ModuleUnloadProc p) { emurtl::RemoveModuleUnloadProc(p); }
void HOSTCALL emu_System_RegisterModule(hostabi::LibModule* m) { emurtl::RegisterModule(m); }
void HOSTCALL emu_System_UnregisterModule(hostabi::LibModule* m) { emurtl::UnregisterModule(m); }
uint32_t HOSTCALL emu_System_LoadResourceModule(const char* name, int8_t /*checkOwner*/) {
    return emurtl::LoadResourceModule(name);
}
uint32_t HOSTCALL emu_System_LoadResourceModule50(const char* name) { return emurtl::LoadResourceModule(name); }
}
