#include "runtime/FastSys.h"

#include <iterator>

#include "base/HostRuntime.h"
#include "patching/CallSiteStub.h"
#include "patching/InstructionShapes.h"
#include "patching/ProcessMemory.h"
#include "patching/ReplacementMap.h"
#include "runtime/FastSysRoutines.h"

namespace toravex {

namespace {

const HostNeeds kNothing = {};

struct SystemRoutine {
    const hostnames::HostName& name;
    const void* replacement;
    const HostNeeds& needs;
};

// In the order of installation.
const SystemRoutine kRoutines[] = {
    {hostnames::System_New, reinterpret_cast<const void*>(&FastNew), ManagedDataNeeds},
    {hostnames::System_Dispose, reinterpret_cast<const void*>(&FastDispose), ManagedDataNeeds},
    {hostnames::System_InitializeArray, reinterpret_cast<const void*>(&FastInitializeArray), ManagedDataNeeds},
    {hostnames::System_DynArrayClear, reinterpret_cast<const void*>(&FastDynArrayClear), ManagedDataNeeds},
    {hostnames::System_FinalizeArray, reinterpret_cast<const void*>(&FastFinalizeArray), ManagedDataNeeds},
    {hostnames::System_IsClass, reinterpret_cast<const void*>(&FastIsClass), kNothing},
};
constexpr size_t kCount = std::size(kRoutines);

// The routines registered in the replacement map as well (indices above).
const size_t kRegistered[] = {0, 1, 5, 3};

void* gHostRoutine[kCount];  // the exports, kept at preparation
void* gEntry[kCount];        // where each jump went
uint8_t gSaved[kCount][kJumpSize];
bool gInstalled = false;

bool Redirected(size_t i) {
    for (uint8_t b : gSaved[i])
        if (b) return true;
    return false;
}

bool Usable(size_t i) { return gHostRoutine[i] && FirstMissing(kRoutines[i].needs) == nullptr; }

}  // namespace

void PrepareFastSys() {
    BindManagedDataHost();
    for (size_t i = 0; i < kCount; ++i) {
        gHostRoutine[i] = FindHostExport(kRoutines[i].name);
        gEntry[i] = nullptr;
        for (uint8_t& b : gSaved[i]) b = 0;
    }
    gInstalled = false;
}

void InstallFastSys() {
    if (gInstalled) return;
    gInstalled = true;
    for (size_t i = 0; i < kCount; ++i) {
        if (!Usable(i)) continue;
        void* entry = ResolveEntry(gHostRoutine[i]);
        if (!entry) continue;
        gEntry[i] = entry;
        RedirectCode(entry, kRoutines[i].replacement, gSaved[i]);
    }
    for (size_t i : kRegistered)
        if (Usable(i)) AddReplacement(gHostRoutine[i], MakeCallSiteStub(const_cast<void*>(kRoutines[i].replacement)));
}

void RemoveFastSys() {
    if (!gInstalled) return;
    gInstalled = false;
    for (size_t i = 0; i < kCount; ++i)
        if (gEntry[i] && Redirected(i)) RestoreCode(gEntry[i], gSaved[i]);
}

}  // namespace toravex
