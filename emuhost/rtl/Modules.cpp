// Module bookkeeping of System: which module an address belongs to, and the
// procedures to call when a module is unloaded.
#include <windows.h>

#include "EmuRuntime.h"

namespace emurtl {

namespace {

struct UnloadProc {
    ModuleUnloadProc proc;
    UnloadProc* next;
};
UnloadProc* gUnloadProcs = nullptr;
CRITICAL_SECTION gUnloadLock;

}  // namespace

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
}
