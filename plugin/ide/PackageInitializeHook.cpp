// The runtime's InitializePackage, replaced in the builds with a package unit
// index: the package is indexed (which checks its units for duplicates)
// before its "Initialize" runs.
#include <windows.h>

#include "HostCall.h"
#include "base/DiagnosticLog.h"
#include "base/HostException.h"
#include "base/HostRuntime.h"
#include "base/HostString.h"
#include "base/SystemPlatform.h"
#include "base/Lifecycle.h"
#include "ide/OlderSplash.h"
#include "ide/PackageError.h"
#include "ide/PackageImportResolver.h"
#include "ide/PackageUnitIndex.h"
#include "patching/Redirect.h"

namespace toravex {

const HostNeeds kInitializePackageNeeds = {
    {&hostnames::Sysutils_GetPackageInfo, &hostnames::Sysutils_Exception_CreateResFmt,
     &hostnames::Sysutils_EPackageError, &hostnames::Sysconst_SDuplicatePackageUnit,
     &hostnames::Sysconst_SInvalidPackageFile, &hostnames::System_LStrAsg, &hostnames::System_LStrClr,
     &hostnames::System_LStrFromPCharLen}};

namespace {

RedirectRecord gRecord;

using PackageProc = void(HOSTCALL*)();

// InitializePackage (Module): EAX the module.
void HOSTCALL InitializePackageHook(HMODULE module) {
    char path[MAX_PATH];
    const DWORD length = Platform().GetModuleFile(module, path, sizeof path);
    path[length < sizeof path ? length : 0] = 0;
    {
        // Released before the package error is raised: raises skip destructors.
        HostString fileName(path);
        host::TryFinally([&] { IndexPackage(module, fileName.Get(), FindPackageInfo(module)); },
                         [&] { fileName.Clear(); });
    }
    auto initialize = reinterpret_cast<PackageProc>(Platform().GetExport(module, "Initialize"));
    if (!initialize) RaisePackageError(hostnames::Sysconst_SInvalidPackageFile, {path});
    ShowPackageDescription(module, path);
    initialize();
}

}  // namespace

void InstallInitializePackageHook() {
    const char* what = hostnames::Sysutils_InitializePackage.decorated;
    void* routine = FindHostExport(RuntimePackage, hostnames::Sysutils_InitializePackage);
    if (!routine) return LogLeftOut(what, "missing export");
    if (const hostnames::HostName* missing = FirstMissing(kInitializePackageNeeds))
        return LogLeftOut(what, "missing helper", missing->decorated);
    InstallRedirect(routine, reinterpret_cast<const void*>(&InitializePackageHook), gRecord);
    if (gRecord.Address)
        LogMade("hook", what);
    else
        LogLeftOut(what, "protection change failed");
}

void RemoveInitializePackageHook() { RemoveRedirect(gRecord); }

}  // namespace toravex
