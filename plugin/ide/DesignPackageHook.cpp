// The IDE core package's TDesignPackage constructor, redirected while the IDE
// starts (builds 90 and 100): each design package the IDE's package manager
// creates reports its file name to the splash progress.
#include <windows.h>

#include "HostCall.h"
#include "HostLayout.h"
#include "base/DiagnosticLog.h"
#include "base/HostException.h"
#include "base/HostRuntime.h"
#include "ide/PackageImportResolver.h"
#include "patching/Redirect.h"

namespace toravex {

const HostNeeds kDesignPackageCreateNeeds = {{&hostnames::Pakmgr_TDesignPackage_Create}};

namespace {

// TDesignPackage.Create(const FileName: string; Owner: TDesignPackages): EAX
// the class (or the instance), DL the allocation flag, ECX the file name,
// the owner on the stack.
using DesignPackageCreate = void*(HOSTCALL_STACK*)(void* classOrSelf, int8_t allocate, const char* fileName,
                                                   void* owner);

RedirectRecord gRecord;
DesignPackageCreate gConstructor = nullptr;

void* HOSTCALL_STACK DesignPackageCreateHook(void* classOrSelf, int8_t allocate, const char* fileName, void* owner) {
    RemoveRedirect(gRecord);
    void* created = nullptr;
    host::TryFinally([&] { created = gConstructor(classOrSelf, allocate, fileName, owner); },
                     [&] {
                         ReinstallRedirect(reinterpret_cast<const void*>(&DesignPackageCreateHook), gRecord);
                         if (hostabi::LengthOf(fileName) > 0) PackageProgressStep(fileName);
                     });
    return created;
}

}  // namespace

void InstallDesignPackageCreateHook() {
    const char* what = hostnames::Pakmgr_TDesignPackage_Create.decorated;
    if (FirstMissing(kDesignPackageCreateNeeds)) return LogLeftOut(what, "missing export");
    gConstructor = reinterpret_cast<DesignPackageCreate>(FindHostExport(hostnames::Pakmgr_TDesignPackage_Create));
    InstallRedirect(reinterpret_cast<void*>(gConstructor), reinterpret_cast<const void*>(&DesignPackageCreateHook),
                    gRecord);
    if (gRecord.Address)
        LogMade("hook", what);
    else
        LogLeftOut(what, "protection change failed");
}

void RemoveDesignPackageCreateHook() { RemoveRedirect(gRecord); }

}  // namespace toravex
