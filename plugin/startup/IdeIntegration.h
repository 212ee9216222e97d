// The IDE-integration module of the library: the start-up containers, the
// host directory (base/Lifecycle.h), and the shut-down handler that takes the IDE hooks and the
// runtime patches away again.
#pragma once

namespace toravex {

void PrepareIdeIntegration();
void TeardownIdeIntegration();

// Start-up step 2 and their release at shut-down: the start-up containers,
// the package unit index's UnitIndex and IndexedModules
// (ide/PackageUnitIndex.h) and the packages expected to load
// (ExpectedPackages, ide/ExpectedPackages.h).
void CreateStartupContainers();
void FreeStartupContainers();

}  // namespace toravex
