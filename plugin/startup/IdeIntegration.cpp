#include "startup/IdeIntegration.h"

#include <windows.h>

#include "base/Lifecycle.h"
#include "base/StepTrace.h"
#include "base/Utils.h"
#include "ide/ExpectedPackages.h"
#include "ide/FastQuit.h"
#include "ide/IDEHooks.h"
#include "ide/PackageImportResolver.h"
#include "ide/PackageUnitIndex.h"
#include "ide/PaletteBatching.h"
#include "ide/Splash.h"
#include "ide/VCLHooks.h"
#include "runtime/FastRTL.h"
#include "runtime/LoaderHooks.h"

namespace toravex {


namespace {

ShutdownHandler gPreviousHandler = nullptr;

// Takes the IDE hooks and the runtime patches away, in this order.
const ProfileStep kRemovals[] = {
    {{"ClearPackageUnloadNotification", ClearPackageUnloadNotification}, &BuildProfile::hasPackageUnitIndex},
    {{"StopStartupWatch", StopStartupWatch}},
    {{"RemovePaletteModifiedHook", RemovePaletteModifiedHook}, &BuildProfile::hasPaletteBatching},
    {{"RemoveInitializePackageHook", RemoveInitializePackageHook}, &BuildProfile::hasPackageUnitIndex},
    {{"RemoveDesignPackageCreateHook", RemoveDesignPackageCreateHook}, &BuildProfile::hasDesignPackageCreateHook},
    {{"RemoveFormCloseHook", RemoveFormCloseHook}},
    {{"RemoveColorBoxHooks", RemoveColorBoxHooks}, &BuildProfile::hasColorBoxFix},
    {{"RemoveCompilerInitHook", RemoveCompilerInitHook}},
    {{"RemoveRuntimePatches", RemoveRuntimePatches}},
};

void IdeIntegrationShutdownHandler() {
    RunProfileSteps("chain", kRemovals);
    if (gPreviousHandler) gPreviousHandler();
    RunStep("chain", {"FreeStartupContainers", FreeStartupContainers});
}

}  // namespace

void PrepareIdeIntegration() {
    // The program's directory as the utilities keep it, without the
    // delimiter a drive root keeps there.
    HostDirectory = ProgramDirectory.CStr();
    if (!HostDirectory.empty() && HostDirectory.back() == '\\') HostDirectory.pop_back();
    LibraryLoadNotification = &SplashProgressStep;
    gPreviousHandler = InstallShutdownHandler(&IdeIntegrationShutdownHandler);
}

void TeardownIdeIntegration() {
    ShutdownRunner();
    std::string().swap(HostDirectory);
}

void CreateStartupContainers() {
    UnitIndex = new TStringIntegerHash;
    IndexedModules = new TModuleBucketList(3);
    ExpectedPackages = new HostStringList;
}

void FreeStartupContainers() {
    delete UnitIndex;
    UnitIndex = nullptr;
    delete IndexedModules;
    IndexedModules = nullptr;
    delete ExpectedPackages;
    ExpectedPackages = nullptr;
}

}  // namespace toravex
