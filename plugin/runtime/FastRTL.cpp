#include "runtime/FastRTL.h"

#include <memory>

#include "base/HostRuntime.h"
#include "base/HostStringList.h"
#include "base/Lifecycle.h"
#include "base/StepTrace.h"
#include "base/StringHash.h"
#include "fastcode/FastMove.h"
#include "fastcode/Fastcode.h"
#include "fastcode/IntToStr.h"
#include "patching/CallSiteStub.h"
#include "patching/ImportFilter.h"
#include "patching/ImportHooks.h"
#include "patching/ImportedLibraries.h"
#include "patching/LoadedModules.h"
#include "patching/ModuleImports.h"
#include "patching/Redirect.h"
#include "patching/ReplacementMap.h"
#include "runtime/CRuntimeAdapters.h"
#include "runtime/CachedFileRoutines.h"
#include "runtime/Comparisons.h"
#include "runtime/FileNames.h"
#include "runtime/ListRoutines.h"
#include "runtime/LoaderHooks.h"
#include "runtime/StringCallSites.h"

namespace toravex {

namespace {

using namespace hostnames;

// Announces one registration or redirection ("patch:<name>").
void TracePatch(const char* name) { RunStep("patch", {name, nullptr}); }

template <class F>
void* Code(F* routine) {
    return reinterpret_cast<void*>(routine);
}

// Looked up at installation: the C runtime libraries and the locale (the
// runtime package is the one start-up found, RuntimePackage).
HMODULE gCRuntimes[4] = {};
bool gFarEast = false;

// The C runtime routines of each library found, and their adapters.
const char* const kCRuntimeExports[6] = {"memset", "memmove", "memcpy", "strcmp", "stricmp", "strlen"};
void* CRuntimeAdapter(int i) {
    switch (i) {
        case 0: return Code(&CrtMemset);
        case 1:
        case 2: return Code(&CrtMemmove);
        case 3: return Code(&CrtStrcmp);
        case 4: return Slots.StrIComp ? Code(&CrtStricmp) : nullptr;  // not where StrIComp is not replaced
        default: return Code(&CrtStrlen);
    }
}
RedirectRecord gCRuntimeRecords[4][6];

// One redirection of a host routine's code; file-name rows are left out in
// Far-East locales.
struct Redirection {
    const char* name;
    RedirectRecord* record;
    const HostName* routine;  // nil: the record names a kernel32 routine set up elsewhere
    void* target;
    bool fileName;
};

RedirectRecord gListIndexOf, gListSetCount, gListPut, gListInsert, gListLast, gListExchange, gMove, gFileAge,
    gFileExists, gFillChar, gSameText, gCompareText, gCompareMem, gStrComp, gStrCopy, gStrIComp, gCompareStr,
    gStringReplace, gStrLen, gPosEx, gIntToStr, gStrToInt, gStrScan, gAnsiCompareText, gExtractFileExt,
    gExtractFilePath, gExtractFileName, gExtractFileDir, gAnsiCompareFileName, gChangeFileExt, gIncludeTrailing,
    gExcludeTrailing, gWideSameStr;

// The build's decorated name of StringReplace (its set type's name differs).
const HostName& StringReplaceName() {
    if (Sysutils_StringReplace60.builds & Profile().hostBuild) return Sysutils_StringReplace60;
    if (Sysutils_StringReplace50.builds & Profile().hostBuild) return Sysutils_StringReplace50;
    return Sysutils_StringReplace;
}

void Register(const HostName& name, void* replacement, bool stub, void** hostRoutine = nullptr) {
    void* host = FindHostExport(RuntimePackage, name);
    if (hostRoutine) *hostRoutine = host;
    if (!host || !replacement) return;
    TracePatch(name.decorated);
    AddReplacement(host, stub ? MakeCallSiteStub(replacement) : replacement);
}

void Redirect(const Redirection& r) {
    if (r.fileName && gFarEast) return;
    if (!r.target) return;
    void* routine = r.routine ? FindHostExport(RuntimePackage, *r.routine) : nullptr;
    if (!routine) return;
    TracePatch(r.name);
    InstallRedirect(routine, r.target, *r.record);
}

void Restore(RedirectRecord& record, bool fileName = false) {
    if (fileName && gFarEast) return;
    RemoveRedirect(record);
}

// Step 6: the runtime package's exports, in order. The stub column wraps
// the replacement in a call-site stub.
void RegisterRuntimeExports() {
    Register(Sysutils_AnsiLowerCaseFileName, Code(&AnsiLowerCaseFileNameFast), false, &HostAnsiLowerCaseFileName);
    Register(Classes_TList_Get, Code(&ListGetFast), true);
    Register(Classes_TList_IndexOf, Code(&ListIndexOfFast), true);
    Register(Classes_TList_SetCount, Code(&ListSetCountFast), true);
    Register(Classes_TList_Put, Code(&ListPutFast), true);
    Register(Classes_TList_Insert, Code(&ListInsertFast), true);
    Register(Classes_TList_Last, Code(&ListLastFast), true);
    Register(Classes_TList_Exchange, Code(&ListExchangeFast), true);
    // TObjectList's notification: the replacement's code is copied over the
    // host routine, for good.
    OverwriteCode(FindHostExport(RuntimePackage, Contnrs_TObjectList_Notify), kObjectListNotifyCode,
                  sizeof kObjectListNotifyCode);
    Register(Sysutils_SameText, Code(&SameTextFast), true);
    Register(Sysutils_FileExists, Code(&FileExistsFast), false);
    Register(Sysutils_FileAge, Code(&FileAgeFast), false);
    Register(Sysutils_AnsiCompareText, Code(&LocaleCompareText), true);
    Register(System_Move, Code(MoveSlot), true);
    Register(Sysutils_StrScan, Code(&StrScanFast), true);
    Register(System_LStrCmp, Code(&toravex_LStrCmp), true);
    Register(System_WStrCmp, Code(&toravex_WStrCmp), true);
    Register(System_FillChar, Code(Slots.FillChar), true);
    Register(System_LStrPos, Code(Slots.Pos), true);
    Register(Sysutils_StrComp, Code(Slots.StrComp), true);
    Register(Sysutils_StrIComp, Code(Slots.StrIComp), true);
    Register(Sysutils_StrCopy, Code(Slots.StrCopy), true);
    Register(Sysutils_CompareText, Code(Slots.CompareText), true);
    Register(Sysutils_CompareMem, Code(Slots.CompareMem), true);
    Register(Sysutils_UpperCase, Code(Slots.UpperCase), true);
    Register(Sysutils_LowerCase, Code(Slots.LowerCase), true);
    Register(Sysutils_CompareStr, Code(Slots.CompareStr), true);
    Register(StringReplaceName(), Code(Slots.StringReplace), false);
    Register(Sysutils_StrLen, Code(Slots.StrLen), true);
    Register(Sysutils_IntToStr, Code(&IntToStr), true);
    Register(Sysutils_StrToInt, Code(Slots.StrToInt), true);
    if (!gFarEast) {
        Register(Sysutils_SameFileName, Code(&SameFileNameFast), false);
        Register(Sysutils_ExtractFileExt, Code(&ExtractFileExtFast), true);
        Register(Sysutils_ExtractFilePath, Code(&ExtractFilePathFast), true);
        Register(Sysutils_ExtractFileName, Code(&ExtractFileNameFast), true);
        Register(Sysutils_ExtractFileDir, Code(&ExtractFileDirFast), true);
        Register(Sysutils_AnsiCompareFileName, Code(&LocaleCompareText), false);
        Register(Sysutils_ChangeFileExt, Code(&ChangeFileExtFast), true);
        Register(Sysutils_IncludeTrailingPathDelimiter, Code(&IncludeTrailingPathDelimiterFast), true);
        Register(Sysutils_ExcludeTrailingPathDelimiter, Code(&ExcludeTrailingPathDelimiterFast), true);
    }
    Register(Math_Max, Code(Slots.Max), false);
}

// Step 8: the code redirections, in order; each has its own record.
void RedirectRuntimeCode() {
    const Redirection redirections[] = {
        {"Classes.TList.IndexOf", &gListIndexOf, &Classes_TList_IndexOf, Code(&ListIndexOfFast), false},
        {"Classes.TList.SetCount", &gListSetCount, &Classes_TList_SetCount, Code(&ListSetCountFast), false},
        {"Classes.TList.Put", &gListPut, &Classes_TList_Put, Code(&ListPutFast), false},
        {"Classes.TList.Insert", &gListInsert, &Classes_TList_Insert, Code(&ListInsertFast), false},
        {"Classes.TList.Last", &gListLast, &Classes_TList_Last, Code(&ListLastFast), false},
        {"Classes.TList.Exchange", &gListExchange, &Classes_TList_Exchange, Code(&ListExchangeFast), false},
        {"System.Move", &gMove, &System_Move, Code(MoveSlot), false},
        {"SysUtils.FileAge", &gFileAge, &Sysutils_FileAge, Code(&FileAgeFast), false},
        {"SysUtils.FileExists", &gFileExists, Profile().redirectsFileExists ? &Sysutils_FileExists : nullptr,
         Code(&FileExistsFast), false},
        {"System.FillChar", &gFillChar, &System_FillChar, Code(Slots.FillChar), false},
        {"SysUtils.SameText", &gSameText, &Sysutils_SameText, Code(&SameTextFast), false},
        {"SysUtils.CompareText", &gCompareText, &Sysutils_CompareText, Code(Slots.CompareText), false},
        {"SysUtils.CompareMem", &gCompareMem, &Sysutils_CompareMem, Code(Slots.CompareMem), false},
        {"SysUtils.StrComp", &gStrComp, &Sysutils_StrComp, Code(Slots.StrComp), false},
        {"SysUtils.StrCopy", &gStrCopy, &Sysutils_StrCopy, Code(Slots.StrCopy), false},
        {"SysUtils.StrIComp", &gStrIComp, &Sysutils_StrIComp, Code(Slots.StrIComp), false},
        {"SysUtils.CompareStr", &gCompareStr, &Sysutils_CompareStr, Code(Slots.CompareStr), false},
        {"SysUtils.StringReplace", &gStringReplace, &StringReplaceName(), Code(Slots.StringReplace), false},
        {"SysUtils.StrLen", &gStrLen, &Sysutils_StrLen, Code(Slots.StrLen), false},
        {"StrUtils.PosEx", &gPosEx, &Strutils_PosEx, Code(Slots.PosEx), false},
        {"SysUtils.IntToStr", &gIntToStr, &Sysutils_IntToStr, Code(&IntToStr), false},
        {"SysUtils.StrToInt", &gStrToInt, &Sysutils_StrToInt, Code(Slots.StrToInt), false},
        {"SysUtils.StrScan", &gStrScan, &Sysutils_StrScan, Code(&StrScanFast), false},
        {"SysUtils.AnsiCompareText", &gAnsiCompareText, &Sysutils_AnsiCompareText, Code(&LocaleCompareText), false},
        {"SysUtils.ExtractFileExt", &gExtractFileExt, &Sysutils_ExtractFileExt, Code(&ExtractFileExtFast), true},
        {"SysUtils.ExtractFilePath", &gExtractFilePath, &Sysutils_ExtractFilePath, Code(&ExtractFilePathFast), true},
        {"SysUtils.ExtractFileName", &gExtractFileName, &Sysutils_ExtractFileName, Code(&ExtractFileNameFast), true},
        {"SysUtils.ExtractFileDir", &gExtractFileDir, &Sysutils_ExtractFileDir, Code(&ExtractFileDirFast), true},
        {"SysUtils.AnsiCompareFileName", &gAnsiCompareFileName, &Sysutils_AnsiCompareFileName,
         Code(&LocaleCompareText), true},
        {"SysUtils.ChangeFileExt", &gChangeFileExt, &Sysutils_ChangeFileExt, Code(&ChangeFileExtFast), true},
        {"SysUtils.IncludeTrailingPathDelimiter", &gIncludeTrailing, &Sysutils_IncludeTrailingPathDelimiter,
         Code(&IncludeTrailingPathDelimiterFast), true},
        {"SysUtils.ExcludeTrailingPathDelimiter", &gExcludeTrailing, &Sysutils_ExcludeTrailingPathDelimiter,
         Code(&ExcludeTrailingPathDelimiterFast), true},
        {"SysUtils.WideSameStr", &gWideSameStr, &Sysutils_WideSameStr, Code(&WideSameStrFast), false},
    };
    if (Profile().hasSetThreadPriorityHook) {
        HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
        TracePatch("kernel32.SetThreadPriority");
        InstallRedirect(reinterpret_cast<void*>(GetProcAddress(kernel32, "SetThreadPriority")),
                        Code(&SetThreadPriorityHook), SetThreadPriorityRecord);
    }
    for (const Redirection& r : redirections) Redirect(r);
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
    const char* systemModules[5] = {"kernel32.dll", "user32.dll", "gdi32.dll", "ntdll.dll", "borlndmm.dll"};
    for (int i = 0; i < 5; ++i) SkippedSystemModules[i] = GetModuleHandleA(systemModules[i]);
    gFarEast = FarEastLocale();
    for (int i = 0; i < 4; ++i) {
        gCRuntimes[i] = GetModuleHandleA(kCRuntimeLibraryNames[i]);
        if (!gCRuntimes[i]) gCRuntimes[i] = FindLoadedModule(kCRuntimeLibraryNames[i]);
    }

    // The loader hooks: re-pointed in import tables only, never in code.
    HMODULE kernel32 = SkippedSystemModules[0];
    RegisterReplacement(kernel32, "LoadLibraryA", Code(&LoadLibraryAHook), HostLoadLibraryA);
    RegisterReplacement(kernel32, "LoadLibraryExW", Code(&LoadLibraryExWHook), HostLoadLibraryExW);
    // FreeLibrary reports unloaded packages to the package unit index.
    if (Profile().hasPackageUnitIndex) RegisterReplacement(kernel32, "FreeLibrary", Code(&FreeLibraryHook), HostFreeLibrary);

    for (int i = 0; i < 4; ++i)
        if (gCRuntimes[i])
            for (int r = 0; r < 6; ++r) RegisterReplacement(gCRuntimes[i], kCRuntimeExports[r], CRuntimeAdapter(r));
    if (RuntimePackage) RegisterRuntimeExports();
    for (int i = 0; i < 4; ++i)
        if (gCRuntimes[i])
            for (int r = 0; r < 6; ++r)
                if (void* adapter = CRuntimeAdapter(r))
                    RedirectExport(gCRuntimes[i], kCRuntimeExports[r], adapter, gCRuntimeRecords[i][r]);
    RedirectRuntimeCode();
    ScanLoadedModules();
}

void RemoveRuntimePatches() {
    RemoveRedirect(SetThreadPriorityRecord);
    // memset, memmove, memcpy, strcmp, strlen, stricmp
    for (int i = 0; i < 4; ++i)
        if (gCRuntimes[i])
            for (int r : {0, 1, 2, 3, 5, 4}) RemoveRedirect(gCRuntimeRecords[i][r]);
    for (RedirectRecord* r : {&gListIndexOf, &gListSetCount, &gListPut, &gListInsert, &gListLast, &gListExchange,
                              &gMove, &gFileAge, &gFileExists, &gFillChar, &gSameText, &gCompareText,
                              &gCompareMem, &gCompareStr, &gStrComp, &gStrCopy, &gStrIComp, &gStringReplace,
                              &gStrScan, &gStrLen, &gPosEx, &gIntToStr, &gStrToInt, &gAnsiCompareText})
        Restore(*r);
    for (RedirectRecord* r : {&gExtractFileExt, &gExtractFilePath, &gExtractFileName, &gExtractFileDir,
                              &gAnsiCompareFileName, &gChangeFileExt, &gIncludeTrailing, &gExcludeTrailing})
        Restore(*r, true);
    Restore(gWideSameStr);

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
