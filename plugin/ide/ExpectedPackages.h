// The packages the IDE is expected to load while it starts, for the splash
// progress of builds 90 and 100: what the IDE's registry registers for the
// personalities of this run, less what the default project file excludes
// for the Delphi and C++ personalities, less what is loaded already. The
// registry and the project file are only read.
#pragma once

#include <vector>

#include "base/BuildProfile.h"
#include "base/HostStringList.h"

namespace toravex {

// The packages still expected while the IDE starts: file names without a
// folder, sorted once built. Created by the start-up (step 2), freed at
// shut-down.
extern HostStringList* ExpectedPackages;

// What the IDE's command line says about this run.
struct IdeRunSettings {
    std::vector<HostString> personalities;  // from -p / /p, else the five of a plain start
    HostString ideVersionKey;               // "BDS\4.0": the registry root and the IDE version
    HostString baseKey;                     // "\Software\Borland\BDS\4.0", under HKEY_CURRENT_USER
};

// parameters: the IDE's command-line parameters after the program, raw
// (quotes kept); versionText: "4.0", "3.0". "-p<a>;<b>" (or "/p") names
// personalities, several such parameters add up; "-r<root>" (or "/r")
// puts root in place of BDS, an empty root keeps BDS.
IdeRunSettings ReadPersonalities(const HostStringList& parameters, const char* versionText);

// Appends the name part of each value NAME of baseKey\subKey whose text is
// not empty (a name already listed is appended again).
void AddKnownPackages(HostStringList& list, const char* baseKey, const char* subKey);
// Appends the name part of each value's TEXT of baseKey\subKey (trimmed, not
// empty), unless the list holds it already (ignoring case).
void AddExperts(HostStringList& list, const char* baseKey, const char* subKey);
// Deletes from list every package the project file's lines exclude in the
// section "<tag.Personality>" (tag "Delphi", "CPlusPlusBuilder").
void RemoveExcludedPackages(HostStringList& list, const HostStringList& lines, const char* tag);

// The whole list, sorted, each package once; the number of entries.
int32_t BuildExpectedPackages(HostStringList& list, const HostStringList& parameters, const BuildProfile& profile);

}  // namespace toravex
