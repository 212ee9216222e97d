// Loading and unloading packages through the runtime package, as the IDE
// does: LoadPackage (which runs the package's "Initialize" after the
// runtime's duplicate-unit check) and UnloadPackage.
#pragma once

#include <windows.h>

#include <string>

namespace emuide {

// Loads a package through the runtime. On failure returns 0 with the
// message of the runtime's exception (its CR LF turned into blanks).
HMODULE LoadPackage(const std::string& name, std::string& error);

// Finalizes the package and releases one load of it.
void UnloadPackage(HMODULE module);

}  // namespace emuide
