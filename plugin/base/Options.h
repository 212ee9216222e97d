// The user's options: a handful of DWORD values under the build's key of
// HKEY_CURRENT_USER, written by the installer and read once at load. This
// file only reads (and writes the other patcher's switch); what the values
// switch on is the start-up's business.
#pragma once

namespace toravex {

struct OptionsRecord {
    bool HookAllDlls;        // LoadLibraryA scans every dependency, not only ".bpl" loads
    bool HookBplOnly;        // that scan covers only ".bpl" dependencies
    bool SetShortCuts;       // keyboard shortcuts of the older builds
    bool ThreadSafeStrings;  // kept for the installer's sake; nothing consults it
};
static_assert(sizeof(OptionsRecord) == 4);

// Filled by the start-up from ReadOptionValues; holds the defaults until then.
extern OptionsRecord Options;

// Everything start-up step 5 reads: the two switches that act once, and the
// values kept in Options. A missing key or value (or one of another type
// than DWORD) gives the default; any non-zero DWORD is true.
struct OptionValues {
    bool NoFastSys;
    bool NoFastObj;
    OptionsRecord kept;
};
OptionValues ReadOptionValues();

// "BlendedFastCode": true only when the key opens and the value is non-zero.
bool ReadBlendedFastCode();

// Writes "CnFastCodeWizard" = "0" into an existing CnWizards key, so that
// product does not patch the same routines; creates nothing, reports nothing.
void DisableOtherPatcher();

}  // namespace toravex
