// The package import resolver: direct binding of the runtime helpers every
// package calls (all builds), the package unit index behind the runtime's
// InitializePackage (builds 50 to 90), and the design-package constructor
// hook that reports each design package while the IDE starts (builds 90
// and 100).
#pragma once

#include "base/HostRuntime.h"

namespace toravex {

// What the InitializePackage replacement calls of the host: the runtime's
// package information, and what raising the package error takes (the
// host's Exception.CreateResFmt, the error class, its two resource strings
// and the host strings of the message's arguments). Installed only when all
// are there.
extern const HostNeeds kInitializePackageNeeds;
// What the design-package constructor hook calls: the constructor itself.
extern const HostNeeds kDesignPackageCreateNeeds;

// Module preparation 9: gives the runtime package's helpers of
// RuntimeImportTable their call-site stubs in the replacement map.
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

// Where the resolver reports the file names of the packages it sees: the
// splash progress step; tests put an observer in its place.
extern void (*PackageProgressStep)(const char* fileName);

}  // namespace toravex
