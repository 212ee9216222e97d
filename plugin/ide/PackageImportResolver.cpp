#include "ide/PackageImportResolver.h"

namespace toravex {

void BindRuntimeImports() {}
void InstallInitializePackageHook() {}
void RemoveInitializePackageHook() {}
void InstallDesignPackageCreateHook() {}
void RemoveDesignPackageCreateHook() {}
void StorePackageUnloadNotification() {}
void ClearPackageUnloadNotification() {}

}  // namespace toravex
