// Batched component-palette updates while the IDE starts (build 100): every
// component a design package registers is a Modified notice, on which the
// IDE's .NET palette rebuilds itself. From the first library load on, the
// notices are dropped inside one update bracket of the palette, which the
// end of start-up closes: one rebuild instead of one per component.
#pragma once

#include <windows.h>

namespace toravex {

// A step of the splash progress while start-up lasts: obtains the palette
// service and redirects the palette manager's Modified once its package is
// loaded.
void PaletteBatchStep();
// End of start-up: closes the service's update, lets Modified through again
// and closes the palette's update bracket.
void EndPaletteBatching();

// Shut-down: takes a redirection that the end of start-up did not remove
// away (the IDE ended before its main window showed); calls nothing.
void RemovePaletteModifiedHook();

// In place of TDotNetPaletteServices.Modified (the object, returns 0).
HRESULT WINAPI PaletteModifiedHook(void* self);

}  // namespace toravex
