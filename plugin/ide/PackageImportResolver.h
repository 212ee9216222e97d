// Direct binding of runtime helpers, the package unit index and the design-package hook.
#pragma once

namespace toravex {

// Gives the runtime package's compiler-support exports their call-site stubs.
void BindRuntimeImports();
// Redirects the runtime's InitializePackage to the unit index.
void InstallInitializePackageHook();
void RemoveInitializePackageHook();
// Redirects the IDE's TDesignPackage constructor.
void InstallDesignPackageCreateHook();
void RemoveDesignPackageCreateHook();
// Lets the FreeLibrary hook report unloaded packages to the unit index.
void StorePackageUnloadNotification();
void ClearPackageUnloadNotification();

}  // namespace toravex
