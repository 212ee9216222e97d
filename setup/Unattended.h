// The installer's unattended runs: "/install" and "/uninstall" as the first
// parameter (in any case) do their work without creating any window, so
// they also run where there is no display (a service session, a build
// machine). The exit code tells how it went: 0 done, 1 failed; the error
// text is then also shown in the standard error box, where the session has
// a desktop to show it on.
#pragma once

#include <string>

#include "RegistryAccess.h"
#include "SetupPlatform.h"
#include "SetupProfile.h"

namespace setup {

enum class UnattendedAction { None, Install, Uninstall };

// The action the first parameter asks for; None opens the window.
UnattendedAction UnattendedActionOf(const std::string& firstParameter);

// Shows an error of an unattended run.
using ErrorReport = void (*)(const std::string& text);

// Runs the action with the stored options (or the defaults). An install
// when no IDE of the build is installed fails before anything is changed.
// Returns the exit code.
int RunUnattended(UnattendedAction action, const SetupProfile& profile, RegistryAccess& registry,
                  SetupPlatform& platform, ErrorReport reportError);

// The standard error box, when this session's window station is visible
// (an interactive desktop); otherwise nothing, so that an unattended run
// never waits for a box nobody can see.
void ShowErrorWhereVisible(const std::string& text);

}  // namespace setup
