// The user's options: a handful of DWORD values under the build's key of
// HKEY_CURRENT_USER, written by the installer and read once at load. The
// plug-in never writes its own key.
#pragma once

namespace toravex {

struct OptionsRecord {
    bool HookAllDlls;        // LoadLibraryA scans every dependency, not only ".bpl" loads
    bool HookBplOnly;        // that scan covers only ".bpl" dependencies
    bool SetShortCuts;       // keyboard shortcuts of the older builds
    bool ThreadSafeStrings;  // kept for the installer's sake; nothing consults it
};
static_assert(sizeof(OptionsRecord) == 4);

// Filled by ReadOptions; holds the defaults until then.
extern OptionsRecord Options;

// Start-up step 5: installs the system-routine replacements unless
// "NoFastSys" and the object-creation redirection unless "NoFastObj", fills
// Options, then switches off the other patcher.
void ReadOptions();

// "BlendedFastCode": true only when the key opens and the value is non-zero.
bool ReadBlendedFastCode();

// Writes "CnFastCodeWizard" = "0" into an existing CnWizards key, so that
// product does not patch the same routines; creates nothing, reports nothing.
void DisableOtherPatcher();

}  // namespace toravex
