// The IDE's main menu at the end of start-up: items it keeps hidden are
// shown, and the fast-quit item is added after "FileExitItem". In builds
// 50 to 70 two commands get F9 shortcuts (under the SetShortCuts option).
#pragma once

#include <cstdint>

#include "HostCall.h"

namespace toravex {

// The component of that name owned by the application's main form, if it
// is a menu item; nil otherwise (also without application or main form).
void* FindMainMenuItem(const char* name);
// Makes the item visible and, if it has an action, the action too.
void ShowMenuItem(const char* name);

// End-of-start-up steps.
void ShowHiddenMenuItems();
void TakeOverShortcuts();
void AddFastQuitMenuItem();

// The update handler the two commands' actions get (an event: the menu
// item, then the action).
void HOSTCALL ShortcutUpdate(void* item, void* action);

}  // namespace toravex
