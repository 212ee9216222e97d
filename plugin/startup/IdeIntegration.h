// The IDE-integration module of the library: the start-up containers, the
// host directory (base/Lifecycle.h), and the shut-down handler that takes the IDE hooks and the
// runtime patches away again.
#pragma once

namespace toravex {

class HostStringList;

void PrepareIdeIntegration();
void TeardownIdeIntegration();

// The start-up containers: the package unit index's UnitIndex and
// IndexedModules (ide/PackageUnitIndex.h) and the packages expected to load.
extern HostStringList* ExpectedPackages;

// Start-up step 2 and their release at shut-down.
void CreateStartupContainers();
void FreeStartupContainers();

}  // namespace toravex
