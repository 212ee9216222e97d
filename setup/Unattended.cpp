#include "Unattended.h"

#include <windows.h>


#include "InstallOptions.h"
#include "Installer.h"
#include "MainWindow.h"
#include "SetupError.h"
#include "StepMarks.h"

namespace setup {

namespace {

// Nobody watches the steps of an unattended run.
class UnseenSteps : public StepMarks {
public:
    void SetStepDone(int, bool) override {}
};

// Whether the window station of this process is interactive. Looked up at
// run time: Windows 9x has no window stations, and always a desktop.
bool VisibleWindowStation() {
    using GetStation = HWINSTA(WINAPI*)();
    using GetInformation = BOOL(WINAPI*)(HANDLE, int, PVOID, DWORD, LPDWORD);
    HMODULE user32 = GetModuleHandleA("user32.dll");
    auto station = reinterpret_cast<GetStation>(GetProcAddress(user32, "GetProcessWindowStation"));
    auto information = reinterpret_cast<GetInformation>(GetProcAddress(user32, "GetUserObjectInformationA"));
    if (!station || !information) return true;
    USEROBJECTFLAGS flags = {};
    DWORD needed = 0;
    HWINSTA current = station();
    if (!current || !information(current, UOI_FLAGS, &flags, sizeof flags, &needed)) return true;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

}  // namespace

UnattendedAction UnattendedActionOf(const std::string& firstParameter) {
    if (lstrcmpiA(firstParameter.c_str(), "/install") == 0) return UnattendedAction::Install;
    if (lstrcmpiA(firstParameter.c_str(), "/uninstall") == 0) return UnattendedAction::Uninstall;
    return UnattendedAction::None;
}

int RunUnattended(UnattendedAction action, const SetupProfile& profile, RegistryAccess& registry,
                  SetupPlatform& platform, ErrorReport reportError) {
    UnseenSteps steps;
    Installer installer(profile, registry, platform, steps);
    SetupOutcome outcome;
    if (action == UnattendedAction::Install) {
        // A script must be able to rely on a failed install having left the
        // machine as it was: no IDE, nothing to do.
        outcome = installer.IdeInstalled() ? installer.Install(LoadInstallOptions(registry, profile))
                                           : SetupError{profile.installError};
    } else if (action == UnattendedAction::Uninstall) {
        outcome = installer.Uninstall();
    }
    if (!outcome) return 0;
    if (reportError) reportError(outcome->text);
    return 1;
}

void ShowErrorWhereVisible(const std::string& text) {
    if (VisibleWindowStation()) ShowErrorBox(nullptr, text);
}

}  // namespace setup
