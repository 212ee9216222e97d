#include "ide/StartupWatch.h"

#include <windows.h>

#include "base/StepTrace.h"
#include "base/Utils.h"
#include "ide/IDEHooks.h"
#include "ide/PackageImportResolver.h"

namespace toravex {

namespace {

constexpr UINT_PTR kNoTimer = static_cast<UINT_PTR>(-1);
UINT_PTR gStartupTimer = kNoTimer;

// The IDE's main window is the window of its main form class on the thread
// that loaded the plug-in (the thread that runs this timer).
BOOL CALLBACK FindVisibleMainWindow(HWND window, LPARAM found) {
    char className[32];
    if (IsWindowVisible(window) && GetClassNameA(window, className, sizeof className) &&
        lstrcmpA(className, "TAppBuilder") == 0) {
        *reinterpret_cast<bool*>(found) = true;
        return FALSE;
    }
    return TRUE;
}

bool MainWindowOfThisThreadVisible() {
    bool found = false;
    EnumThreadWindows(GetCurrentThreadId(), &FindVisibleMainWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

MainWindowProbe gMainWindowVisible = &MainWindowOfThisThreadVisible;

void CALLBACK StartupTimerProc(HWND, UINT, UINT_PTR, DWORD) { StartupWatchTick(); }

void ClearStartupPhase() { StartupPhase = false; }

// The rest of the IDE adjustments tied to this moment (compiler file
// look-ups, palette batching, menu items, fast quit) hang off the hooks
// that own them.
const ProfileStep kEndOfStartup[] = {
    {{"ClearStartupPhase", ClearStartupPhase}},
    {{"ClearFileAgeCache", ClearFileAgeCache}},
    {{"InstallCompilerInitHook", InstallCompilerInitHook}},
    {{"RemoveDesignPackageCreateHook", RemoveDesignPackageCreateHook}, &BuildProfile::hasDesignPackageCreateHook},
};

}  // namespace

MainWindowProbe SetMainWindowProbe(MainWindowProbe probe) {
    MainWindowProbe previous = gMainWindowVisible;
    gMainWindowVisible = probe ? probe : &MainWindowOfThisThreadVisible;
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
    if (!gMainWindowVisible()) return;
    StopWatchTimer();
    EndOfStartup();
}

void EndOfStartup() {
    if (!StartupPhase) return;
    RunProfileSteps("end", kEndOfStartup);
}

}  // namespace toravex
