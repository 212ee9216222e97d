// The runtime's InitializePackage, replaced in the builds with a package unit
// index: the package is indexed (which checks its units for duplicates)
// before its "Initialize" runs.
#include <windows.h>

#include "HostCall.h"
#include "base/HostException.h"
#include "base/HostRuntime.h"
#include "base/HostString.h"
#include "base/Lifecycle.h"
#include "ide/PackageError.h"
#include "ide/PackageImportResolver.h"
#include "ide/PackageUnitIndex.h"
#include "patching/Redirect.h"

namespace toravex {

namespace {

RedirectRecord gRecord;

// What the replacement calls of the host beyond raising the package error.
const HostNeeds kIndexNeeds = {{&hostnames::Sysutils_GetPackageInfo}};

using PackageProc = void(HOSTCALL*)();

// InitializePackage (Module): EAX the module.
void HOSTCALL InitializePackageHook(HMODULE module) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(module, path, sizeof path);
    path[length < sizeof path ? length : 0] = 0;
    {
        // Released before the package error is raised: raises skip destructors.
        HostString fileName(path);
        host::TryFinally([&] { IndexPackage(module, fileName.Get(), FindPackageInfo(module)); },
                         [&] { fileName.Clear(); });
    }
    auto initialize = reinterpret_cast<PackageProc>(GetProcAddress(module, "Initialize"));
    if (!initialize) RaisePackageError(hostnames::Sysconst_SInvalidPackageFile, {path});
    initialize();
}

}  // namespace

void InstallInitializePackageHook() {
    if (FirstMissing(kIndexNeeds) || FirstMissing(kPackageErrorNeeds)) return;
    InstallRedirect(FindHostExport(RuntimePackage, hostnames::Sysutils_InitializePackage),
                    reinterpret_cast<const void*>(&InitializePackageHook), gRecord);
}

void RemoveInitializePackageHook() { RemoveRedirect(gRecord); }

}  // namespace toravex
