// Import-table patching: the replacement registry, module scans that
// re-point import slots and put them back, the libraries a module imports,
// and finding loaded modules by file name.
#pragma once

#include "patching/ImportFilter.h"
#include "patching/ImportHooks.h"
#include "patching/ImportedLibraries.h"
#include "patching/LoadedModules.h"
#include "patching/ModuleImports.h"
#include "patching/PeImage.h"
#include "patching/ReplacementMap.h"
