#include "runtime/FastObj.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "base/Cpuid.h"
#include "base/DiagnosticLog.h"
#include "base/HostException.h"
#include "base/HostRuntime.h"
#include "base/Lifecycle.h"
#include "patching/HeapAllocator.h"
#include "patching/InstructionShapes.h"
#include "patching/ProcessMemory.h"
#include "runtime/FastObjAccelerator.h"
#include "runtime/FastSysRoutines.h"

namespace toravex {

namespace {

using UnloadProc = void(HOSTCALL*)(uint32_t module);
using UnloadProcRegistration = void(HOSTCALL*)(UnloadProc proc);

const HostNeeds kUnloadNeeds = {{&hostnames::System_AddModuleUnloadProc, &hostnames::System_RemoveModuleUnloadProc}};
const HostNeeds* const kAllNeeds[] = {&ObjectRuntimeNeeds, &ManagedDataNeeds, &kUnloadNeeds};

CRITICAL_SECTION gLock;
bool gLockMade = false;
THeapAllocator* gCodeHeap = nullptr;
std::vector<TObjectAccelerator*>* gAccelerators = nullptr;
std::atomic<bool> gCreating{false};
std::atomic<bool> gFinalizing{false};
std::atomic<bool> gGaveUp{false};  // building raised once: no further class is accelerated
bool gUsable = false;  // the host has everything the accelerator calls
void* gNewInstanceEntry = nullptr;
uint8_t gSavedNewInstance[kJumpSize];
bool gMadeJump = false;  // the jump is in place (for the log)
UnloadProcRegistration gAddUnloadProc = nullptr;
UnloadProcRegistration gRemoveUnloadProc = nullptr;
bool gUnloadRegistered = false;

bool Redirected() {
    for (uint8_t b : gSavedNewInstance)
        if (b) return true;
    return false;
}

// Whether NewInstance of the class leads to a routine the accelerator
// stands in for: TObject's (redirected here or not) or TInterfacedObject's.
bool InheritsAcceleratableNewInstance(const void* classRef) {
    const void* code = ResolveEntry(reinterpret_cast<void*>(ReadPointerAt(classRef, kNewInstanceSlot)));
    return code && (code == reinterpret_cast<const void*>(&AcceleratedNewInstance) ||
                    code == ObjectHost.tobjectNewInstance || code == ObjectHost.interfacedNewInstance);
}

const hostnames::HostName* FirstMissingNeed() {
    for (const HostNeeds* needs : kAllNeeds)
        if (const hostnames::HostName* missing = FirstMissing(*needs)) return missing;
    return nullptr;
}

}  // namespace

std::span<const HostNeeds* const> FastObjNeeds() { return kAllNeeds; }

void PrepareFastObj() {
    if (!gLockMade) InitializeCriticalSection(&gLock);
    gLockMade = true;
    gCodeHeap = new THeapAllocator(true);
    gAccelerators = new std::vector<TObjectAccelerator*>;
    gCreating = false;
    gFinalizing = false;
    gGaveUp = false;
    BindManagedDataHost();
    BindObjectRuntime();
    UseMmxRoutines = HasMmx();
    for (uint8_t& b : gSavedNewInstance) b = 0;
    gMadeJump = false;
    gNewInstanceEntry = ObjectHost.tobjectNewInstance;
    gAddUnloadProc = reinterpret_cast<UnloadProcRegistration>(FindHostExport(hostnames::System_AddModuleUnloadProc));
    gRemoveUnloadProc =
        reinterpret_cast<UnloadProcRegistration>(FindHostExport(hostnames::System_RemoveModuleUnloadProc));
    gUsable = gNewInstanceEntry && !FirstMissingNeed();
    if (gUsable) {
        gAddUnloadProc(&ModuleUnloaded);
        gUnloadRegistered = true;
    }
}

void InstallFastObj() {
    if (Redirected()) return;
    const char* what = hostnames::System_TObject_NewInstance.decorated;
    if (!gNewInstanceEntry) return LogLeftOut(what, "missing export");
    if (const hostnames::HostName* missing = FirstMissingNeed()) return LogLeftOut(what, "missing helper", missing->decorated);
    if (!gUsable) return;
    const void* target = reinterpret_cast<const void*>(&AcceleratedNewInstance);
    if (RedirectCode(gNewInstanceEntry, target, gSavedNewInstance) && ResolveEntry(gNewInstanceEntry) == target) {
        gMadeJump = true;
        LogMade("entry", what);
    } else {
        LogLeftOut(what, "code write failed");
    }
}

void* HOSTCALL AcceleratedNewInstance(const void* classRef) {
    const int32_t size = ObjectHost.instanceSize(classRef);
    void* instance = ObjectHost.initInstance(classRef, ObjectHost.getMem(size));
    // The cheap tests of AccelerateClass first: a class that can never have
    // an accelerator (its size) pays no look at its slot.
    if (size % 4 == 0 && !gCreating.load() && InheritsAcceleratableNewInstance(classRef)) AccelerateClass(classRef);
    return instance;
}

void AccelerateClass(const void* classRef) {
    if (gCreating.load() || gFinalizing.load() || gGaveUp.load()) return;
    if (ObjectHost.instanceSize(classRef) % 4 != 0) return;
    EnterCriticalSection(&gLock);
    gCreating = true;
    TObjectAccelerator* a = nullptr;
    bool kept = false;
    host::CaughtException caught{};
    const bool raised = host::TryExcept(
        [&] {
            // Another thread may have accelerated the class while this one
            // waited for the lock: its slot then holds a stub.
            if (!InheritsAcceleratableNewInstance(classRef)) return;
            a = new TObjectAccelerator{};
            BuildAccelerator(a, classRef, *gCodeHeap);
            if (!a->AcceleratedClass) return;
            gAccelerators->push_back(a);
            kept = true;
        },
        caught);
    // Not kept: no slot holds its stubs (or building raised before any was
    // stored), so they all go.
    if (a && !kept) {
        a->AcceleratedClass = nullptr;
        ReleaseAccelerator(a, *gCodeHeap);
    }
    gCreating = false;
    LeaveCriticalSection(&gLock);
    // The instance the caller asked for is made already; an accelerator that
    // could not be built (no executable memory, no memory for its template)
    // leaves the class on the host path instead of failing that creation.
    // Once that happened no further class is tried.
    if (raised) {
        gGaveUp = true;
        if (caught.object) host::FreeHostObject(caught.object);
        LogLeftOut("object accelerator", "building an accelerator raised");
    }
}

void HOSTCALL ModuleUnloaded(uint32_t module) {
    if (module == 0 || module == reinterpret_cast<uint32_t>(OwnModule()) || !gAccelerators) return;
    EnterCriticalSection(&gLock);
    host::TryFinally(
        [&] {
            std::vector<TObjectAccelerator*>& list = *gAccelerators;
            for (TObjectAccelerator*& a : list) {
                if (a && ObjectHost.findHInstance(a->AcceleratedClass) == module) {
                    TObjectAccelerator* released = a;
                    a = nullptr;
                    ReleaseAccelerator(released, *gCodeHeap);
                }
            }
            list.erase(std::remove(list.begin(), list.end(), nullptr), list.end());
        },
        [&] { LeaveCriticalSection(&gLock); });
}

void TeardownFastObj() {
    gFinalizing = true;
    if (Redirected() && RestoreCode(gNewInstanceEntry, gSavedNewInstance) && gMadeJump)
        LogEvent("removed entry %s", hostnames::System_TObject_NewInstance.decorated);
    gMadeJump = false;
    for (uint8_t& b : gSavedNewInstance) b = 0;
    if (gUnloadRegistered) gRemoveUnloadProc(&ModuleUnloaded);
    gUnloadRegistered = false;
    if (!gLockMade) return;
    EnterCriticalSection(&gLock);
    if (gAccelerators) {
        // Classes of modules still loaded get their slots back before the
        // code heap, which holds their stubs, goes.
        for (TObjectAccelerator* a : *gAccelerators) ReleaseAccelerator(a, *gCodeHeap);
        delete gAccelerators;
        gAccelerators = nullptr;
    }
    LeaveCriticalSection(&gLock);
    DeleteCriticalSection(&gLock);
    gLockMade = false;
    delete gCodeHeap;
    gCodeHeap = nullptr;
}

size_t AcceleratorCount() {
    if (!gLockMade || !gAccelerators) return 0;
    EnterCriticalSection(&gLock);
    const size_t n = gAccelerators->size();
    LeaveCriticalSection(&gLock);
    return n;
}

HANDLE CodeHeapHandle() { return gCodeHeap ? gCodeHeap->Heap : nullptr; }

}  // namespace toravex
