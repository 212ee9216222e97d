// The splash window of builds 50, 60 and 70: the plug-in's line on the
// window's "LblPlugins", the package being initialized on "LblProgressText"
// (build 50 puts both in panels of their own), and the end of start-up at
// the moment the IDE destroys the window.
#pragma once

#include <windows.h>

#include "base/HostString.h"

namespace toravex {

// The main block of these builds. Without the IDE's splash window (or the
// routines its labels take) the end of start-up is the main window's first
// appearance, as in the newer builds.
void ShowOlderSplash();

// Called by the package unit index's InitializePackage just before the
// package's "Initialize": its description (or "Loading <file>") on the
// progress label, when there is one.
void ShowPackageDescription(HMODULE module, const char* fileName);

// The package's "DESCRIPTION" resource as text, trimmed; empty without one.
HostString PackageDescription(HMODULE module);

}  // namespace toravex
