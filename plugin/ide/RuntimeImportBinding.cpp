#include "ide/RuntimeImportBinding.h"

#include "base/BuildProfile.h"
#include "base/DiagnosticLog.h"
#include "base/FormatText.h"
#include "base/HostRuntime.h"
#include "ide/PackageImportResolver.h"
#include "patching/CallSiteStub.h"
#include "patching/ReplacementMap.h"

namespace toravex {

using namespace hostnames;

const std::array<const HostName*, 88> RuntimeImportTable = {
    // 1-17: Interfaces and long strings.
    &System_IntfClear, &System_IntfCopy, &System_IntfAddRef, &System_IntfCast, &System_AddRef, &System_LStrAddRef,
    &System_LStrArrayClr, &System_LStrAsg, &System_LStrCat, &System_LStrCat3, &System_LStrCatN, &System_LStrClr,
    &System_LStrLAsg, &System_LStrLen, &System_LStrFromChar, &System_LStrFromPChar, &System_LStrFromArray,
    // 18-35: Dynamic arrays and 64-bit arithmetic.
    &System_DynArrayAddRef, &System_DynArrayAsg, &System_DynArrayClear, &System_DynArrayCopy,
    &System_DynArrayCopyRange, &System_DynArrayHigh, &System_DynArrayLength, &System_DynArraySetLength,
    &System_lldiv, &System_lldivo, &System_llmod, &System_llmodo, &System_llmul, &System_llmulo, &System_llshl,
    &System_lludiv, &System_llumod, &System_llushr,
    // 36-53: Wide strings.
    &System_WStrAddRef, &System_WStrArrayClr, &System_WStrAsg, &System_WStrCat, &System_WStrCat3, &System_WStrCatN,
    &System_WStrClr, &System_WStrFromChar, &System_WStrFromLStr, &System_WStrFromPChar, &System_WStrFromPCharLen,
    &System_WStrFromPWChar, &System_WStrFromPWCharLen, &System_WStrFromWArray, &System_WStrFromWChar,
    &System_WStrLAsg, &System_WStrLen, &System_WStrToPWChar,
    // 54-68: Objects, dynamic methods and interface queries.
    &System_CallDynaClass, &System_CallDynaInst, &System_FindDynaClass, &System_FindDynaInst, &System_AsClass,
    &System_ClassCreate, &System_ClassDestroy, &System_AfterConstruction, &System_BeforeDestruction,
    &System_TObject_Free, &Sysutils_Supports_Object, &Sysutils_Supports_ObjectOut, &Sysutils_Supports_Class,
    &Sysutils_Supports_Interface, &Sysutils_Supports_InterfaceOut,
    // 69-79: Interface lists.
    &Classes_TInterfaceList_Add, &Classes_TInterfaceList_Clear, &Classes_TInterfaceList_Delete,
    &Classes_TInterfaceList_First, &Classes_TInterfaceList_Get, &Classes_TInterfaceList_GetCount,
    &Classes_TInterfaceList_IndexOf, &Classes_TInterfaceList_Insert, &Classes_TInterfaceList_Last,
    &Classes_TInterfaceList_Put, &Classes_TInterfaceList_Remove,
    // 80-88: Object lists.
    &Contnrs_TObjectList_Add, &Contnrs_TObjectList_Extract, &Contnrs_TObjectList_First,
    &Contnrs_TObjectList_GetItem, &Contnrs_TObjectList_IndexOf, &Contnrs_TObjectList_Insert,
    &Contnrs_TObjectList_Last, &Contnrs_TObjectList_Remove, &Contnrs_TObjectList_SetItem,
};

// Runs among the module preparations, before the runtime patch set's
// registrations: a name the runtime package lacks is skipped, and without a
// page for stubs nothing is registered (the calls stay on their import
// slots). The stubs and the call sites they rewrite stay until the process
// ends.
void BindRuntimeImports() {
    const HMODULE runtime = FindHostModule(Profile().runtimePackage);
    if (!runtime) {
        LogLeftOut("runtime imports", "missing module", Profile().runtimePackage);
        return;
    }
    int bound = 0;
    for (const HostName* name : RuntimeImportTable) {
        void* routine = FindHostExport(runtime, *name);
        if (!routine) {
            LogLeftOut(name->decorated, "missing export");
            continue;
        }
        void* stub = MakeCallSiteStub(routine);
        if (stub == routine) {
            // Without a page for stubs the remaining calls stay on their
            // import slots.
            LogLeftOut(name->decorated, "no stub page");
            break;
        }
        AddReplacement(routine, stub);
        ++bound;
    }
    char what[64];
    FormatText(what, sizeof what, "%d runtime imports", bound);
    LogMade("call-site-stubs", what);
}

}  // namespace toravex
