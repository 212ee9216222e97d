// The IDE-integration module of the library: the start-up containers, the
// host directory, and the shut-down handler that takes the IDE hooks and the
// runtime patches away again.
#pragma once

#include <string>

namespace toravex {

class TStringIntegerHash;
class TModuleBucketList;
class HostStringList;

// The directory of the host program, without a trailing delimiter.
extern std::string HostDirectory;

void PrepareIdeIntegration();
void TeardownIdeIntegration();

// The start-up containers: unit name to the module handle of its package,
// the package modules already indexed, and the packages expected to load
// (ExpectedPackages, ide/ExpectedPackages.h).
extern TStringIntegerHash* UnitIndex;
extern TModuleBucketList* IndexedModules;

// Start-up step 2 and their release at shut-down.
void CreateStartupContainers();
void FreeStartupContainers();

}  // namespace toravex
