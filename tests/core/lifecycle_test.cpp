// The plug-in's start-up and shut-down run their steps in the fixed order of
// the build (this program is built once per build profile).
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "base/BuildProfile.h"
#include "startup/Main.h"

using testsupport::StepRecorder;
using toravex::Profile;

namespace {

using Steps = std::vector<std::string>;

Steps Prefixed(const char* prefix, std::initializer_list<const char*> names) {
    Steps out;
    for (const char* n : names) out.push_back(std::string(prefix) + n);
    return out;
}

// What each build does, as its profile says it; "-" marks a step the build
// does not have.
struct BuildShape {
    bool unitIndex, designHook, colorBox, startupWatch, paletteBatching;
};
BuildShape ShapeOf(int version) {
    switch (version) {
        case 100: return {false, true, true, true, true};
        case 90: return {true, true, true, true, false};
        case 70: return {true, false, true, false, false};
        default: return {true, false, false, false, false};  // 60, 50
    }
}

Steps ExpectedStartUp(const BuildShape& b) {
    Steps s = Prefixed("startup:", {"PinLibrary", "CreateStartupContainers", "LookUpRuntimePackage"});
    if (b.unitIndex) s.push_back("startup:InstallInitializePackageHook");
    if (b.designHook) s.push_back("startup:InstallDesignPackageCreateHook");
    for (auto& x : Prefixed("startup:", {"InstallFormCloseHook", "ReadOptions", "InstallFastSys", "InstallFastObj",
                                         "DisableOtherPatcher", "OptimizeDelphiCompiler", "OptimizeCppCompiler",
                                         "InstallRuntimePatches", "InstallReadonlyHook"}))
        s.push_back(x);
    if (b.colorBox) s.push_back("startup:InstallColorBoxHooks");
    if (b.unitIndex) s.push_back("startup:StorePackageUnloadNotification");
    s.push_back(b.startupWatch ? "main:StartStartupWatch" : "main:ShowSplashLabels");
    return s;
}

Steps ExpectedShutDown(const BuildShape& b) {
    Steps s = {"teardown:ObjectAccelerator", "teardown:SystemRoutines", "teardown:IdeIntegration",
               "chain:FreeScannedModules"};
    if (b.unitIndex) s.push_back("chain:ClearPackageUnloadNotification");
    s.push_back("chain:StopStartupWatch");
    if (b.paletteBatching) s.push_back("chain:RemovePaletteModifiedHook");
    if (b.unitIndex) s.push_back("chain:RemoveInitializePackageHook");
    if (b.designHook) s.push_back("chain:RemoveDesignPackageCreateHook");
    s.push_back("chain:RemoveFormCloseHook");
    if (b.colorBox) s.push_back("chain:RemoveColorBoxHooks");
    for (auto& x : Prefixed("chain:", {"RemoveCompilerInitHook", "RemoveRuntimePatches", "FreeStartupContainers"}))
        s.push_back(x);
    s.push_back("teardown:Utilities");
    return s;
}

Steps Without(const Steps& all, const std::string& prefix) {
    Steps out;
    for (const auto& s : all)
        if (s.rfind(prefix, 0) != 0) out.push_back(s);
    return out;
}

}  // namespace

TEST(Lifecycle, LoadAndUnloadRunEveryStepOnceInTheBuildsOrder) {
    testsupport::DeleteKeyTree(std::string(Profile().optionsKey).substr(1));  // every option at its default
    const BuildShape shape = ShapeOf(Profile().packageVersion);
    StepRecorder recorder;

    toravex::ProcessAttach();
    EXPECT_EQ(recorder.StepsWithPrefix("prepare:"),
              Prefixed("prepare:", {"StringOptimize", "PatchPrimitives", "ProcessorDetection", "BlockMove",
                                    "CaseConversion", "RoutineTable", "Utilities", "IdeIntegration",
                                    "PackageImportResolver", "RuntimePatchSet", "SystemRoutines",
                                    "ObjectAccelerator"}));
    EXPECT_EQ(Without(Without(recorder.Steps(), "prepare:"), "patch:"), ExpectedStartUp(shape));

    // A second load of the library (loader package, then the expert list)
    // prepares and starts nothing again.
    recorder.Clear();
    toravex::ProcessAttach();
    toravex::RunStartUp();
    EXPECT_TRUE(recorder.Steps().empty());

    toravex::ProcessDetach();
    EXPECT_EQ(recorder.Steps(), ExpectedShutDown(shape));

    // Teardowns run only for prepared modules: a second unload does nothing.
    recorder.Clear();
    toravex::ProcessDetach();
    EXPECT_TRUE(recorder.Steps().empty());
}
