// The IDE hooks with the host routines, data and services each one calls.
// A hook is made only when the host has all of them; otherwise it is left
// out, and the diagnostic log says which name was missing.
#pragma once

#include "base/BuildProfile.h"
#include "base/HostRuntime.h"

namespace toravex {

extern const HostNeeds kFormCloseNeeds;       // the close sequence and its guard
extern const HostNeeds kFastQuitNeeds;        // the fast-quit item and its click
extern const HostNeeds kMenuItemNeeds;        // finding and showing menu items
extern const HostNeeds kShortcutNeeds;        // taking over an action's shortcut
extern const HostNeeds kWatchNeeds;           // looking at the main form's window
extern const HostNeeds kPaletteServiceNeeds;  // the IDE's services object
extern const HostNeeds kPaletteManagerNeeds;  // the palette manager's three operations
extern const HostNeeds kColorBoxNeeds;        // the colour box's replacements

enum class IdeHookId { FormCloseHook, FastQuitMenuItem, ShowHiddenMenuItems, TakeOverShortcuts, StartupWatch,
                       PaletteBatching, PaletteModifiedHook, ColorBoxHooks, SplashProgress, SplashLabels,
                       Count };

struct IdeHook {
    const char* what;             // its name in the diagnostic log
    const HostNeeds* needs[2];    // all of these (unused: nil)
    bool BuildProfile::*onlyWhen;  // the builds that have it (nil: all)
};

// One row per IdeHookId, in that order.
extern const IdeHook kIdeHooks[static_cast<int>(IdeHookId::Count)];

// Whether the host has everything the hook calls. The first time it has
// not, the diagnostic log says "left out <hook>: missing helper <name>".
bool HostHasNeeds(IdeHookId hook);
// "made ide <hook>", once.
void LogHookMade(IdeHookId hook);

}  // namespace toravex
