// The runtime-package patch set: which routines of the IDE process are
// replaced, by what, and how modules loaded later are kept under the same
// regime. Import slots are re-pointed through the replacement map (most
// replacements wrapped in call-site stubs), and jumps at the host entries
// catch the calls that bypass import tables.
#pragma once

namespace toravex {

// Module preparation: the import-hook containers, the lower-case cache, the
// scan lock, and the patch set's shut-down handler.
void PrepareRuntimePatchSet();

// Start-up step 7: registrations, code redirections, then the scan of every
// library the IDE executable imports.
void InstallRuntimePatches();

// Shut-down: every redirection restored, every import slot put back, the
// map freed. Call-site stubs, rewritten call sites and the copied TObjectList
// notification stay.
void RemoveRuntimePatches();

// Whether the host runtime reports a Far-East locale (the file-name rows
// are then left out); read at installation.
bool FarEastLocale();

}  // namespace toravex
