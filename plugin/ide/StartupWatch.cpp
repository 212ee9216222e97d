#include "ide/StartupWatch.h"

#include <windows.h>

#include "base/StepTrace.h"
#include "base/Utils.h"
#include "ide/HostVcl.h"
#include "ide/IdeHookNeeds.h"
#include "ide/IDEHooks.h"
#include "ide/MenuHooks.h"
#include "ide/PackageImportResolver.h"
#include "ide/PaletteBatching.h"

namespace toravex {

namespace {

constexpr UINT_PTR kNoTimer = static_cast<UINT_PTR>(-1);
UINT_PTR gStartupTimer = kNoTimer;
MainWindowProbe gProbe = nullptr;

enum class Watch { kWaiting, kMainWindowVisible, kStop };

Watch LookAtApplication() {
    if (gProbe) return gProbe() ? Watch::kMainWindowVisible : Watch::kWaiting;
    // Without the application object (or a VCL that lets it be looked at)
    // there is nothing to watch.
    void* app = HostHasNeeds(IdeHookId::StartupWatch) ? vcl::Application() : nullptr;
    if (!app || vcl::Terminated(app)) return Watch::kStop;
    void* main = vcl::MainForm(app);
    if (!main || !vcl::HandleAllocated(main)) return Watch::kWaiting;
    return IsWindowVisible(vcl::Handle(main)) ? Watch::kMainWindowVisible : Watch::kWaiting;
}

void CALLBACK StartupTimerProc(HWND, UINT, UINT_PTR, DWORD) { StartupWatchTick(); }

void ClearStartupPhase() { StartupPhase = false; }

// In this order; the older builds' end of start-up is the same without the
// palette and the design-package hook, with more menu items and the
// shortcuts.
const ProfileStep kEndOfStartup[] = {
    {{"ClearStartupPhase", ClearStartupPhase}},
    {{"ClearFileAgeCache", ClearFileAgeCache}},
    {{"InstallCompilerInitHook", InstallCompilerInitHook}},
    {{"EndPaletteBatching", EndPaletteBatching}, &BuildProfile::hasPaletteBatching},
    {{"RemoveDesignPackageCreateHook", RemoveDesignPackageCreateHook}, &BuildProfile::hasDesignPackageCreateHook},
    {{"ShowHiddenMenuItems", ShowHiddenMenuItems}},
    {{"TakeOverShortcuts", TakeOverShortcuts}, &BuildProfile::hasOlderMenuItems},
    {{"AddFastQuitMenuItem", AddFastQuitMenuItem}},
};

}  // namespace

MainWindowProbe SetMainWindowProbe(MainWindowProbe probe) {
    MainWindowProbe previous = gProbe;
    gProbe = probe;
    return previous;
}

void StartWatchTimer() {
    StopWatchTimer();
    gStartupTimer = SetTimer(nullptr, 0, 100, &StartupTimerProc);
    if (!gStartupTimer) gStartupTimer = kNoTimer;
}

void StopWatchTimer() {
    if (gStartupTimer == kNoTimer) return;
    KillTimer(nullptr, gStartupTimer);
    gStartupTimer = kNoTimer;
}

void StartupWatchTick() {
    switch (LookAtApplication()) {
        case Watch::kWaiting: return;
        case Watch::kStop: StopWatchTimer(); return;
        case Watch::kMainWindowVisible:
            StopWatchTimer();
            LogHookMade(IdeHookId::StartupWatch);
            EndOfStartup();
            return;
    }
}

void EndOfStartup() {
    if (!StartupPhase) return;
    RunProfileSteps("end", kEndOfStartup);
}

}  // namespace toravex
