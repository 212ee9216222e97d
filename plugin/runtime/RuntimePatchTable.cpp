#include "runtime/RuntimePatchTable.h"

#include <iterator>

#include "fastcode/FastMove.h"
#include "fastcode/Fastcode.h"
#include "fastcode/IntToStr.h"
#include "runtime/CachedFileRoutines.h"
#include "runtime/Comparisons.h"
#include "runtime/CompilerCallCache.h"
#include "runtime/FileNames.h"
#include "runtime/ListRoutines.h"
#include "runtime/LoaderHooks.h"
#include "runtime/StringCallSites.h"

namespace toravex {

namespace {

using namespace hostnames;
using P = Placement;

// What the replacements call of the host, by family.
const HostNeeds kNothing = {};
// Host strings made and shared (file names, the caches' keys, module names).
const HostNeeds kHostStrings = {{&System_LStrFromPCharLen, &System_LStrAsg, &System_LStrClr}};
// Results built as fresh host strings.
const HostNeeds kStringResults = {{&System_LStrSetLength, &System_LStrClr, &System_LStrAsg}};
const HostNeeds kReplaceResults = {{&System_LStrSetLength, &System_LStrClr, &System_LStrAsg, &System_GetMem,
                                    &System_FreeMem, &System_ReallocMem}};
const HostNeeds kIntegerText = {{&System_LStrFromPCharLen}};
// The host's conversion error, raised with its own message.
const HostNeeds kConvertError = {{&Sysutils_Exception_CreateResFmt, &Sysutils_EConvertError,
                                  &Sysconst_SInvalidInteger, &System_LStrAsg, &System_LStrClr}};
// The host's list error, raised through the list's class.
const HostNeeds kListErrors = {{&Classes_TList, &Classes_TList_Error, &Classes_TList_SetCapacity,
                                &Rtlconsts_SListIndexError, &Rtlconsts_SListCountError, &Consts_SListIndexError,
                                &Consts_SListCountError}};

PatchedRoutine Host(const HostName& name) { return {&name}; }
PatchedRoutine Kernel32(const char* name) { return {nullptr, "kernel32.dll", name}; }

constexpr bool kStub = true, kBare = false;
constexpr bool kFileName = true, kAnyLocale = false;

// In the order of installation: the process-level hooks in kernel32, then
// the runtime package's routines (the TObjectList notification copied right
// after the TList rows), then the two routines that get only an entry jump.
const PatchRow kRows[] = {
    {Kernel32("LoadLibraryA"), Routine(&LoadLibraryAHook), P::Imports, kBare, kAnyLocale, kHostStrings, nullptr,
     nullptr, &HostLoadLibraryA},
    {Kernel32("LoadLibraryExW"), Routine(&LoadLibraryExWHook), P::Imports, kBare, kAnyLocale, kHostStrings, nullptr,
     nullptr, &HostLoadLibraryExW},
    // FreeLibrary reports unloaded packages to the package unit index.
    {Kernel32("FreeLibrary"), Routine(&FreeLibraryHook), P::Imports, kBare, kAnyLocale, kNothing,
     &BuildProfile::hasPackageUnitIndex, nullptr, &HostFreeLibrary},
    // The C# compiler runs while the IDE starts go through the compiler call
    // cache; its hook takes its own jump away and puts it back.
    {Kernel32("CreateProcessW"), Routine(&CreateProcessWHook), P::Entry, kBare, kAnyLocale, kHostStrings,
     &BuildProfile::hasCompilerCallCache, nullptr, nullptr, &CreateProcessWRecord},
    // Thread priorities are held off while the IDE starts.
    {Kernel32("SetThreadPriority"), Routine(&SetThreadPriorityHook), P::Entry, kBare, kAnyLocale, kNothing,
     &BuildProfile::hasSetThreadPriorityHook, nullptr, nullptr, &SetThreadPriorityRecord},

    {Host(Sysutils_AnsiLowerCaseFileName), Routine(&AnsiLowerCaseFileNameFast), P::Imports, kBare, kAnyLocale,
     kHostStrings, nullptr, nullptr, &HostAnsiLowerCaseFileName},
    {Host(Classes_TList_Get), Routine(&ListGetFast), P::Imports, kStub, kAnyLocale, kListErrors},
    {Host(Classes_TList_IndexOf), Routine(&ListIndexOfFast), P::ImportsAndEntry, kStub, kAnyLocale, kListErrors},
    {Host(Classes_TList_SetCount), Routine(&ListSetCountFast), P::ImportsAndEntry, kStub, kAnyLocale, kListErrors},
    {Host(Classes_TList_Put), Routine(&ListPutFast), P::ImportsAndEntry, kStub, kAnyLocale, kListErrors},
    {Host(Classes_TList_Insert), Routine(&ListInsertFast), P::ImportsAndEntry, kStub, kAnyLocale, kListErrors},
    {Host(Classes_TList_Last), Routine(&ListLastFast), P::ImportsAndEntry, kStub, kAnyLocale, kListErrors},
    {Host(Classes_TList_Exchange), Routine(&ListExchangeFast), P::ImportsAndEntry, kStub, kAnyLocale, kListErrors},
    {Host(Contnrs_TObjectList_Notify), Code(kObjectListNotifyCode), P::CopiedCode, kBare, kAnyLocale, kNothing},
    {Host(Sysutils_SameText), Routine(&SameTextFast), P::ImportsAndEntry, kStub, kAnyLocale, kNothing},
    // FileExists gets its entry jump only in the builds that need it.
    {Host(Sysutils_FileExists), Routine(&FileExistsFast), P::ImportsAndEntry, kBare, kAnyLocale, kNothing, nullptr,
     &BuildProfile::redirectsFileExists},
    {Host(Sysutils_FileAge), Routine(&FileAgeFast), P::ImportsAndEntry, kBare, kAnyLocale, kHostStrings},
    {Host(Sysutils_AnsiCompareText), Routine(&LocaleCompareText), P::ImportsAndEntry, kStub, kAnyLocale, kNothing},
    {Host(System_Move), SlotOf(MoveSlot), P::ImportsAndEntry, kStub, kAnyLocale, kNothing},
    {Host(Sysutils_StrScan), Routine(&StrScanFast), P::ImportsAndEntry, kStub, kAnyLocale, kNothing},
    {Host(System_LStrCmp), Routine(&toravex_LStrCmp), P::Imports, kStub, kAnyLocale, kNothing},
    {Host(System_WStrCmp), Routine(&toravex_WStrCmp), P::Imports, kStub, kAnyLocale, kNothing},
    {Host(System_FillChar), SlotOf(Slots.FillChar), P::ImportsAndEntry, kStub, kAnyLocale, kNothing},
    {Host(System_LStrPos), SlotOf(Slots.Pos), P::Imports, kStub, kAnyLocale, kNothing},
    {Host(Sysutils_StrComp), SlotOf(Slots.StrComp), P::ImportsAndEntry, kStub, kAnyLocale, kNothing},
    {Host(Sysutils_StrIComp), SlotOf(Slots.StrIComp), P::ImportsAndEntry, kStub, kAnyLocale, kNothing},
    {Host(Sysutils_StrCopy), SlotOf(Slots.StrCopy), P::ImportsAndEntry, kStub, kAnyLocale, kNothing},
    {Host(Sysutils_CompareText), SlotOf(Slots.CompareText), P::ImportsAndEntry, kStub, kAnyLocale, kNothing},
    {Host(Sysutils_CompareMem), SlotOf(Slots.CompareMem), P::ImportsAndEntry, kStub, kAnyLocale, kNothing},
    {Host(Sysutils_UpperCase), SlotOf(Slots.UpperCase), P::Imports, kStub, kAnyLocale, kStringResults},
    {Host(Sysutils_LowerCase), SlotOf(Slots.LowerCase), P::Imports, kStub, kAnyLocale, kStringResults},
    {Host(Sysutils_CompareStr), SlotOf(Slots.CompareStr), P::ImportsAndEntry, kStub, kAnyLocale, kNothing},
    // StringReplace's decorated name differs per build (its set type's name).
    {Host(Sysutils_StringReplace), SlotOf(Slots.StringReplace), P::ImportsAndEntry, kBare, kAnyLocale,
     kReplaceResults},
    {Host(Sysutils_StringReplace60), SlotOf(Slots.StringReplace), P::ImportsAndEntry, kBare, kAnyLocale,
     kReplaceResults},
    {Host(Sysutils_StringReplace50), SlotOf(Slots.StringReplace), P::ImportsAndEntry, kBare, kAnyLocale,
     kReplaceResults},
    {Host(Sysutils_StrLen), SlotOf(Slots.StrLen), P::ImportsAndEntry, kStub, kAnyLocale, kNothing},
    {Host(Sysutils_IntToStr), Routine(&IntToStr), P::ImportsAndEntry, kStub, kAnyLocale, kIntegerText},
    {Host(Sysutils_StrToInt), SlotOf(Slots.StrToInt), P::ImportsAndEntry, kStub, kAnyLocale, kConvertError},
    {Host(Sysutils_SameFileName), Routine(&SameFileNameFast), P::Imports, kBare, kFileName, kNothing},
    {Host(Sysutils_ExtractFileExt), Routine(&ExtractFileExtFast), P::ImportsAndEntry, kStub, kFileName,
     kStringResults},
    {Host(Sysutils_ExtractFilePath), Routine(&ExtractFilePathFast), P::ImportsAndEntry, kStub, kFileName,
     kStringResults},
    {Host(Sysutils_ExtractFileName), Routine(&ExtractFileNameFast), P::ImportsAndEntry, kStub, kFileName,
     kStringResults},
    {Host(Sysutils_ExtractFileDir), Routine(&ExtractFileDirFast), P::ImportsAndEntry, kStub, kFileName,
     kStringResults},
    {Host(Sysutils_AnsiCompareFileName), Routine(&LocaleCompareText), P::ImportsAndEntry, kBare, kFileName,
     kNothing},
    {Host(Sysutils_ChangeFileExt), Routine(&ChangeFileExtFast), P::ImportsAndEntry, kStub, kFileName,
     kStringResults},
    {Host(Sysutils_IncludeTrailingPathDelimiter), Routine(&IncludeTrailingPathDelimiterFast), P::ImportsAndEntry,
     kStub, kFileName, kStringResults},
    {Host(Sysutils_ExcludeTrailingPathDelimiter), Routine(&ExcludeTrailingPathDelimiterFast), P::ImportsAndEntry,
     kStub, kFileName, kStringResults},
    {Host(Math_Max), SlotOf(Slots.Max), P::Imports, kBare, kAnyLocale, kNothing},
    {Host(Strutils_PosEx), SlotOf(Slots.PosEx), P::Entry, kBare, kAnyLocale, kNothing},
    {Host(Sysutils_WideSameStr), Routine(&WideSameStrFast), P::Entry, kBare, kAnyLocale, kNothing},
};

RedirectRecord gRecords[std::size(kRows)];

}  // namespace

std::span<const PatchRow> RuntimePatchRows() { return kRows; }
std::span<RedirectRecord> RuntimePatchRecords() { return gRecords; }

}  // namespace toravex
