#include "core/IdeIntegration.h"

#include <windows.h>

#include "core/Main.h"
#include "core/StepTrace.h"
#include "ide/FastQuit.h"
#include "ide/IDEHooks.h"
#include "ide/PackageImportResolver.h"
#include "ide/Utils.h"
#include "ide/VCLHooks.h"
#include "runtime/FastRTL.h"

namespace toravex {

std::string HostDirectory;
TStringIntegerHash* UnitIndex = nullptr;
TModuleBucketList* IndexedModules = nullptr;
HostStringList* ExpectedPackages = nullptr;

namespace {

ShutdownHandler gPreviousHandler = nullptr;

// Takes the IDE hooks and the runtime patches away, in this order.
const ProfileStep kRemovals[] = {
    {{"ClearPackageUnloadNotification", ClearPackageUnloadNotification}, &BuildProfile::hasPackageUnitIndex},
    {{"StopStartupWatch", StopStartupWatch}},
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

// The directory part of a path, without the delimiter that ends it.
std::string DirectoryOf(const char* path) {
    std::string s(path);
    size_t last = s.find_last_of("\\:");
    if (last == std::string::npos) return std::string();
    if (s[last] == ':') return s.substr(0, last + 1);
    return s.substr(0, last);
}

}  // namespace

void PrepareIdeIntegration() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    HostDirectory = length > 0 && length < sizeof path ? DirectoryOf(path) : std::string();
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
