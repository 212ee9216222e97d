#include "runtime/FastRTL.h"

#include <iterator>
#include <memory>

#include "HostLayout.h"
#include "base/DiagnosticLog.h"
#include "base/FormatText.h"
#include "base/HostRuntime.h"
#include "base/HostStringList.h"
#include "base/Lifecycle.h"
#include "base/StepTrace.h"
#include "base/StringHash.h"
#include "base/SystemPlatform.h"
#include "patching/CallSiteStub.h"
#include "patching/ImportHooks.h"
#include "patching/ImportedLibraries.h"
#include "patching/InstructionShapes.h"
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
    FormatText(step, sizeof step, "patch:%s:%s", how, name);
    TraceStep(step);
}

// The row's routine as the log names it: its decorated name, or
// "<library>!<name>" for a system library's routine.
const char* RowName(const PatchRow& row, char (&buffer)[96]) {
    if (row.routine.host) return row.routine.host->decorated;
    FormatText(buffer, sizeof buffer, "%s!%s", row.routine.systemModule, row.routine.systemName);
    return buffer;
}

// Why the row is not installed in this build, locale and host (nil when it
// is); the missing helper's name into *helper.
const char* LeftOutBecause(const PatchRow& row, const char** helper) {
    if (row.onlyWhen && !(Profile().*row.onlyWhen)) return "not in this build";
    if (row.routine.host && !(row.routine.host->builds & Profile().hostBuild)) return "not in this build";
    if (row.fileName && gFarEast) return "Far-East locale";
    if (const hostnames::HostName* missing = FirstMissing(row.needs)) {
        *helper = missing->decorated;
        return "missing helper";
    }
    return nullptr;
}

bool Registers(const PatchRow& row) {
    return row.placement == Placement::Imports || row.placement == Placement::ImportsAndEntry;
}

bool JumpsAtEntry(const PatchRow& row) {
    if (row.placement == Placement::Entry) return true;
    return row.placement == Placement::ImportsAndEntry && (!row.entryOnlyWhen || Profile().*row.entryOnlyWhen);
}

// The pass that reports a row left out: the registration pass, unless the
// row only jumps at its entry.
bool ReportedWhenRegistering(const PatchRow& row) { return row.placement != Placement::Entry; }

void* HostRoutineOf(const PatchRow& row) {
    if (row.routine.host) return FindHostExport(RuntimePackage, *row.routine.host);
    HMODULE module = FindHostModule(row.routine.systemModule);
    return module ? Platform().GetExport(module, row.routine.systemName) : nullptr;
}

RedirectRecord& RecordOf(size_t index) {
    const PatchRow& row = RuntimePatchRows()[index];
    return row.ownRecord ? *row.ownRecord : RuntimePatchRecords()[index];
}

// The host routine and the replacement of a row that applies, or nil with
// the reason logged when `report`.
bool Resolve(const PatchRow& row, bool report, void** host, void** replacement) {
    char buffer[96];
    const char* helper = nullptr;
    const char* why = LeftOutBecause(row, &helper);
    if (!why) {
        *host = HostRoutineOf(row);
        if (row.hostRoutine) *row.hostRoutine = *host;
        *replacement = row.replacement.Get();
        if (!*host) why = "missing export";
        else if (!*replacement) why = "no replacement in this build";
    }
    if (why && report) LogLeftOut(RowName(row, buffer), why, helper);
    return !why;
}

// Steps 4 and 6: the rows of the system libraries, or of the runtime
// package, into the replacement map (and the copied code in its place).
void RegisterRows(bool systemRows) {
    for (const PatchRow& row : RuntimePatchRows()) {
        if ((row.routine.systemModule != nullptr) != systemRows) continue;
        void *host, *replacement;
        if (!Resolve(row, ReportedWhenRegistering(row), &host, &replacement)) continue;
        char buffer[96];
        if (row.placement == Placement::CopiedCode) {
            // Written over the host routine for good: no jump, no saved copy.
            if (OverwriteCode(host, replacement, row.replacement.codeSize)) {
                TracePatch("code-copy", row);
                LogMade("code-copy", RowName(row, buffer));
            } else {
                LogLeftOut(RowName(row, buffer), "code write failed");
            }
        } else if (Registers(row)) {
            void* registered = row.stub ? MakeCallSiteStub(replacement) : replacement;
            AddReplacement(host, registered);
            TracePatch("imports", row);
            LogMade(registered != replacement ? "imports+stub" : "imports", RowName(row, buffer));
        }
    }
}

// Whether the record's entry now jumps to target.
bool JumpInPlace(const RedirectRecord& record, const void* target) {
    if (!record.Address) return false;
    const JumpBytes jump =
        EncodeJump(reinterpret_cast<uintptr_t>(record.Address), reinterpret_cast<uintptr_t>(target));
    return __builtin_memcmp(record.Address, jump.bytes, kJumpSize) == 0;
}

// Step 8: the entry jumps, each with its own record.
void RedirectRows() {
    const auto rows = RuntimePatchRows();
    for (size_t i = 0; i < rows.size(); ++i) {
        const PatchRow& row = rows[i];
        if (!JumpsAtEntry(row)) continue;
        void *host, *replacement;
        if (!Resolve(row, !ReportedWhenRegistering(row), &host, &replacement)) continue;
        InstallRedirect(host, replacement, RecordOf(i));
        TracePatch("entry", row);
        char buffer[96];
        if (JumpInPlace(RecordOf(i), replacement))
            LogMade("entry", RowName(row, buffer));
        else
            LogLeftOut(RowName(row, buffer), RecordOf(i).Address ? "code write failed" : "protection change failed");
    }
}

// Last installed, first restored. Restoring a record that was never
// installed writes nothing.
void RestoreRows() {
    const auto rows = RuntimePatchRows();
    for (size_t i = rows.size(); i-- > 0;) {
        if (!JumpsAtEntry(rows[i])) continue;
        RedirectRecord& record = RecordOf(i);
        const bool writesBack = record.Address && record.UseCount == 1;
        RemoveRedirect(record);
        char buffer[96];
        if (writesBack) LogEvent("removed entry %s", RowName(rows[i], buffer));
    }
}

// Step 9: every library the IDE executable imports (directly or delay-
// loaded) that is loaded now; the executable's own table is left alone.
void ScanLoadedModules() {
    std::unique_ptr<HostStringList> names(ImportedLibraryNames(Platform().GetModule(nullptr)));
    if (!names) return;
    for (int32_t i = 0; i < names->Count(); ++i) ScanModuleImports((*names)[i].CStr(), nullptr);
    LogEvent("scanned the %d libraries the IDE imports: %d import slots re-pointed", names->Count(),
             ImportHooks ? ImportHooks->Count() : 0);
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
        SkippedSystemModules[i] = Platform().GetModule(kSkippedSystemModules[i]);
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
        if (ImportHooks) LogEvent("removed imports: %d re-pointed import slots put back", ImportHooks->Count());
        delete ImportHooks;  // puts every re-pointed slot back
        ImportHooks = nullptr;
    });
    FreeReplacementMap();
    // Freed only now: AnsiLowerCaseFileName may be called until its
    // redirections and import slots are gone.
    FreeLowerCaseFileNameCache();
}

}  // namespace toravex
