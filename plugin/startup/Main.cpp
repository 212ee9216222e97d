#include "startup/Main.h"

#include <iterator>

#include "base/BuildProfile.h"
#include "base/DiagnosticLog.h"
#include "base/HostRuntime.h"
#include "base/Options.h"
#include "base/StepTrace.h"
#include "base/Utils.h"
#include "fastcode/FastMove.h"
#include "fastcode/Fastcode.h"
#include "fastcode/FastcodeCPUID.h"
#include "ide/FastQuit.h"
#include "ide/IDEHooks.h"
#include "ide/PackageImportResolver.h"
#include "ide/Splash.h"
#include "ide/VCLHooks.h"
#include "patching/PatchLib.h"
#include "runtime/FastObj.h"
#include "runtime/FastRTL.h"
#include "runtime/FastSys.h"
#include "runtime/StringCallSites.h"
#include "startup/IdeIntegration.h"
#include "startup/StartupLog.h"

namespace toravex {

namespace {

// Module 7: the containers' string keys compare with the CompareStr chosen
// for this processor.
void PrepareUtilities() {
    if (Slots.CompareStr) StringKeyCompare = Slots.CompareStr;
    PrepareUtils();
}

struct Module {
    const char* name;
    void (*prepare)();
    void (*teardown)();
};

// The module preparations, in the order they must run: each one relies on
// the ones above it. Teardowns run in the reverse order, only for modules
// whose preparation ran.
constexpr Module kModules[] = {
    {"StringOptimize", PrepareStringOptimize, nullptr},
    {"PatchPrimitives", PreparePatchPrimitives, nullptr},
    {"ProcessorDetection", PrepareProcessorDetection, nullptr},
    {"BlockMove", PrepareFastMove, nullptr},
    {"CaseConversion", nullptr, nullptr},  // its case table is built on first use
    {"RoutineTable", PrepareRoutineTable, nullptr},
    {"Utilities", PrepareUtilities, TeardownUtils},
    {"IdeIntegration", PrepareIdeIntegration, TeardownIdeIntegration},
    {"PackageImportResolver", BindRuntimeImports, nullptr},
    {"RuntimePatchSet", PrepareRuntimePatchSet, nullptr},
    {"SystemRoutines", PrepareFastSys, TeardownFastSys},
    {"ObjectAccelerator", PrepareFastObj, TeardownFastObj},
};

bool gPrepared[std::size(kModules)];
bool gAttached = false;
bool gStarted = false;

// The IDE's code keeps jumping into this library, so it must stay mapped
// until the process ends: one more load of its own file, never released.
void PinLibrary() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(OwnModule(), path, sizeof path);
    if (length > 0 && length < sizeof path) LoadLibraryA(path);
}

void LookUpRuntimePackage() { RuntimePackage = FindHostModule(Profile().runtimePackage); }

const ProfileStep kStartUp[] = {
    {{"PinLibrary", PinLibrary}},
    {{"CreateStartupContainers", CreateStartupContainers}},
    {{"LookUpRuntimePackage", LookUpRuntimePackage}},
    {{"InstallInitializePackageHook", InstallInitializePackageHook}, &BuildProfile::hasPackageUnitIndex},
    {{"InstallDesignPackageCreateHook", InstallDesignPackageCreateHook}, &BuildProfile::hasDesignPackageCreateHook},
    {{"InstallFormCloseHook", InstallFormCloseHook}},
    {{"ReadOptions", ReadOptions}},
    {{"OptimizeDelphiCompiler", OptimizeDelphiCompiler}},
    {{"OptimizeCppCompiler", OptimizeCppCompiler}},
    {{"InstallRuntimePatches", InstallRuntimePatches}},
    {{"InstallReadonlyHook", InstallReadonlyHook}},
    {{"InstallColorBoxHooks", InstallColorBoxHooks}, &BuildProfile::hasColorBoxFix},
    {{"StorePackageUnloadNotification", StorePackageUnloadNotification}, &BuildProfile::hasPackageUnitIndex},
};

// The library's main block: the end-of-start-up watch, or in the older
// builds the splash labels that end start-up with the splash window.
void RunMainBlock() {
    if (Profile().hasStartupWatch)
        RunStep("main", {"StartStartupWatch", StartStartupWatch});
    else
        RunStep("main", {"ShowSplashLabels", ShowSplashLabels});
}

}  // namespace

void ReadOptions() {
    const OptionValues values = ReadOptionValues();
    LogOptionValues(values);
    if (!values.NoFastSys)
        RunStep("startup", {"InstallFastSys", InstallFastSys});
    else
        LogLeftOut("FastSys", "option", "NoFastSys");
    if (!values.NoFastObj)
        RunStep("startup", {"InstallFastObj", InstallFastObj});
    else
        LogLeftOut("FastObj", "option", "NoFastObj");
    Options = values.kept;
    RunStep("startup", {"DisableOtherPatcher", DisableOtherPatcher});
}

void RunStartUp() {
    if (gStarted) return;
    gStarted = true;
    RunProfileSteps("startup", kStartUp);
}

void ProcessAttach() {
    if (gAttached) return;
    gAttached = true;
    OpenDiagnosticLog();
    for (size_t i = 0; i < std::size(kModules); ++i) {
        RunStep("prepare", {kModules[i].name, kModules[i].prepare});
        gPrepared[i] = true;
    }
    LogStartLine();  // the processor target and the slots are known now
    RunStartUp();
    RunMainBlock();
    LogEvent("start-up done");
}

void ProcessDetach() {
    for (size_t i = std::size(kModules); i-- > 0;) {
        if (!gPrepared[i]) continue;
        gPrepared[i] = false;
        if (kModules[i].teardown) RunStep("teardown", {kModules[i].name, kModules[i].teardown});
    }
    LogEvent("shut down");
}

}  // namespace toravex
