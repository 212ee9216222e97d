#include "runtime/FastSys.h"

#include <iterator>

#include "base/DiagnosticLog.h"
#include "patching/CallSiteStub.h"
#include "patching/InstructionShapes.h"
#include "patching/ProcessMemory.h"
#include "patching/ReplacementMap.h"
#include "runtime/FastSysRoutines.h"

namespace toravex {

namespace {

const HostNeeds kNothing = {};

template <class Fn>
const void* Code(Fn fn) {
    return reinterpret_cast<const void*>(fn);
}

const ManagedDataRoutine kRoutines[] = {
    {&hostnames::System_New, Code(&FastNew), &ManagedDataNeeds, true},
    {&hostnames::System_Dispose, Code(&FastDispose), &ManagedDataNeeds, true},
    {&hostnames::System_InitializeArray, Code(&FastInitializeArray), &ManagedDataNeeds, false},
    {&hostnames::System_DynArrayClear, Code(&FastDynArrayClear), &ManagedDataNeeds, true},
    {&hostnames::System_FinalizeArray, Code(&FastFinalizeArray), &ManagedDataNeeds, false},
    {&hostnames::System_IsClass, Code(&FastIsClass), &kNothing, true},
};
constexpr size_t kCount = std::size(kRoutines);

void* gHostRoutine[kCount];  // the exports, kept at preparation
void* gEntry[kCount];        // where each jump went
uint8_t gSaved[kCount][kJumpSize];
bool gMade[kCount];  // the jump is in place (for the log)
bool gInstalled = false;

bool Redirected(size_t i) {
    for (uint8_t b : gSaved[i])
        if (b) return true;
    return false;
}

// Whether the entry now jumps to target.
bool JumpsTo(const void* entry, const void* target) {
    const JumpBytes jump = EncodeJump(reinterpret_cast<uintptr_t>(entry), reinterpret_cast<uintptr_t>(target));
    return __builtin_memcmp(entry, jump.bytes, kJumpSize) == 0;
}

// Redirects routine i, or logs why it is left out.
void Install(size_t i) {
    const ManagedDataRoutine& r = kRoutines[i];
    const char* what = r.routine->decorated;
    if (!gHostRoutine[i]) return LogLeftOut(what, "missing export");
    if (const hostnames::HostName* missing = FirstMissing(*r.needs))
        return LogLeftOut(what, "missing helper", missing->decorated);
    void* entry = ResolveEntry(gHostRoutine[i]);
    if (!entry) return LogLeftOut(what, "unreadable entry");
    gEntry[i] = entry;
    gMade[i] = RedirectCode(entry, r.replacement, gSaved[i]) && JumpsTo(entry, r.replacement);
    if (gMade[i])
        LogMade("entry", what);
    else
        LogLeftOut(what, "code write failed");
}

}  // namespace

std::span<const ManagedDataRoutine> FastSysRoutines() { return kRoutines; }

void PrepareFastSys() {
    BindManagedDataHost();
    for (size_t i = 0; i < kCount; ++i) {
        gHostRoutine[i] = FindHostExport(*kRoutines[i].routine);
        gEntry[i] = nullptr;
        gMade[i] = false;
        for (uint8_t& b : gSaved[i]) b = 0;
    }
    gInstalled = false;
}

void InstallFastSys() {
    if (gInstalled) return;
    gInstalled = true;
    for (size_t i = 0; i < kCount; ++i) Install(i);
    // The map entries, for the modules scanned later: only those whose
    // replacement may be called.
    for (size_t i = 0; i < kCount; ++i) {
        const ManagedDataRoutine& r = kRoutines[i];
        if (!r.registered || !gHostRoutine[i] || FirstMissing(*r.needs)) continue;
        void* replacement = const_cast<void*>(r.replacement);
        void* registered = MakeCallSiteStub(replacement);
        AddReplacement(gHostRoutine[i], registered);
        LogMade(registered != replacement ? "imports+stub" : "imports", r.routine->decorated);
    }
}

void RemoveFastSys() {
    if (!gInstalled) return;
    gInstalled = false;
    for (size_t i = 0; i < kCount; ++i)
        if (gEntry[i] && Redirected(i) && RestoreCode(gEntry[i], gSaved[i]) && gMade[i])
            LogEvent("removed entry %s", kRoutines[i].routine->decorated);
}

}  // namespace toravex
