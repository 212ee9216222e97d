#include "runtime/FastRTL.h"

#include <cstdio>
#include <iterator>
#include <memory>

#include "HostLayout.h"
#include "base/HostRuntime.h"
#include "base/HostStringList.h"
#include "base/Lifecycle.h"
#include "base/StepTrace.h"
#include "base/StringHash.h"
#include "patching/CallSiteStub.h"
#include "patching/ImportHooks.h"
#include "patching/ImportedLibraries.h"
#include "patching/ModuleImports.h"
#include "patching/Redirect.h"
#include "patching/ReplacementMap.h"
#include "runtime/CRuntimeAdapters.h"
#include "runtime/CachedFileRoutines.h"
#include "runtime/LoaderHooks.h"
#include "runtime/RuntimePatchTable.h"

namespace toravex {

namespace {

// The modules every scan passes over (the system's own and the host's
// memory manager).
const char* const kSkippedSystemModules[] = {"kernel32.dll", "user32.dll", "gdi32.dll", "ntdll.dll", "borlndmm.dll"};
static_assert(std::size(kSkippedSystemModules) == std::size(SkippedSystemModules));

bool gFarEast = false;

// Announces what was done to a row ("patch:<how>:<routine>").
void TracePatch(const char* how, const PatchRow& row) {
    if (!Tracing()) return;
    char step[300];
    const char* name = row.routine.host ? row.routine.host->decorated : row.routine.systemName;
    std::snprintf(step, sizeof step, "patch:%s:%s", how, name);
    TraceStep(step);
}

// Whether the row is installed at all in this build, locale and host.
bool Applies(const PatchRow& row) {
    if (row.onlyWhen && !(Profile().*row.onlyWhen)) return false;
    if (row.fileName && gFarEast) return false;
    return FirstMissing(row.needs) == nullptr;
}

bool Registers(const PatchRow& row) {
    return row.placement == Placement::Imports || row.placement == Placement::ImportsAndEntry;
}

bool JumpsAtEntry(const PatchRow& row) {
    if (row.placement == Placement::Entry) return true;
    return row.placement == Placement::ImportsAndEntry && (!row.entryOnlyWhen || Profile().*row.entryOnlyWhen);
}

void* HostRoutineOf(const PatchRow& row) {
    if (row.routine.host) return FindHostExport(RuntimePackage, *row.routine.host);
    HMODULE module = GetModuleHandleA(row.routine.systemModule);
    return module ? reinterpret_cast<void*>(GetProcAddress(module, row.routine.systemName)) : nullptr;
}

RedirectRecord& RecordOf(size_t index) {
    const PatchRow& row = RuntimePatchRows()[index];
    return row.ownRecord ? *row.ownRecord : RuntimePatchRecords()[index];
}

// Steps 4 and 6: the rows of the system libraries, or of the runtime
// package, into the replacement map (and the copied code in its place).
void RegisterRows(bool systemRows) {
    for (const PatchRow& row : RuntimePatchRows()) {
        if ((row.routine.systemModule != nullptr) != systemRows || !Applies(row)) continue;
        void* host = HostRoutineOf(row);
        if (row.hostRoutine) *row.hostRoutine = host;
        void* replacement = row.replacement.Get();
        if (!host || !replacement) continue;
        if (row.placement == Placement::CopiedCode) {
            // Written over the host routine for good: no jump, no saved copy.
            if (OverwriteCode(host, replacement, row.replacement.codeSize)) TracePatch("code-copy", row);
        } else if (Registers(row)) {
            AddReplacement(host, row.stub ? MakeCallSiteStub(replacement) : replacement);
            TracePatch("imports", row);
        }
    }
}

// Step 8: the entry jumps, each with its own record.
void RedirectRows() {
    const auto rows = RuntimePatchRows();
    for (size_t i = 0; i < rows.size(); ++i) {
        const PatchRow& row = rows[i];
        if (!JumpsAtEntry(row) || !Applies(row)) continue;
        void* host = HostRoutineOf(row);
        void* replacement = row.replacement.Get();
        if (!host || !replacement) continue;
        InstallRedirect(host, replacement, RecordOf(i));
        TracePatch("entry", row);
    }
}

// Last installed, first restored. Restoring a record that was never
// installed writes nothing.
void RestoreRows() {
    for (size_t i = RuntimePatchRows().size(); i-- > 0;)
        if (JumpsAtEntry(RuntimePatchRows()[i])) RemoveRedirect(RecordOf(i));
}

// Step 9: every library the IDE executable imports (directly or delay-
// loaded) that is loaded now; the executable's own table is left alone.
void ScanLoadedModules() {
    std::unique_ptr<HostStringList> names(ImportedLibraryNames(GetModuleHandleA(nullptr)));
    if (!names) return;
    for (int32_t i = 0; i < names->Count(); ++i) ScanModuleImports((*names)[i].CStr(), nullptr);
}

ShutdownHandler gPreviousHandler = nullptr;

// Frees the list of scanned modules; afterwards no module is scanned.
void FreeScannedModules() {
    ScanModulesLocked([] {
        delete HookedModules;
        HookedModules = nullptr;
    });
}

void PatchSetShutdownHandler() {
    RunStep("chain", {"FreeScannedModules", FreeScannedModules});
    if (gPreviousHandler) gPreviousHandler();
}

}  // namespace

bool FarEastLocale() {
    using namespace hostnames;
    auto* locale = static_cast<const hostabi::SysLocaleRec*>(FindHostExport(Runtime().module, Sysutils_SysLocale));
    return locale && locale->farEast;
}

void PrepareRuntimePatchSet() {
    CreateScanLock();
    if (!ImportHooks) ImportHooks = new TJclPeMapImgHooks;
    if (!HookedModules) HookedModules = new TStringIntegerHash;
    CreateLowerCaseFileNameCache();
    gPreviousHandler = InstallShutdownHandler(&PatchSetShutdownHandler);
}

void InstallRuntimePatches() {
    CreateReplacementMap();
    for (size_t i = 0; i < std::size(kSkippedSystemModules); ++i)
        SkippedSystemModules[i] = GetModuleHandleA(kSkippedSystemModules[i]);
    gFarEast = FarEastLocale();
    FindCRuntimeLibraries();

    RegisterRows(true);
    RegisterCRuntimeAdapters();
    RegisterRows(false);
    RedirectCRuntimeRoutines();
    RedirectRows();
    ScanLoadedModules();
}

void RemoveRuntimePatches() {
    RestoreRows();
    RestoreCRuntimeRoutines();
    ScanModulesLocked([] {
        delete ImportHooks;  // puts every re-pointed slot back
        ImportHooks = nullptr;
    });
    FreeReplacementMap();
    // Freed only now: AnsiLowerCaseFileName may be called until its
    // redirections and import slots are gone.
    FreeLowerCaseFileNameCache();
}

}  // namespace toravex
