// The user's options: a handful of DWORD values under the build's key of
// HKEY_CURRENT_USER, written by the installer and read once at load. This
// file only reads (and writes the other patcher's switch); what the values
// switch on is the start-up's business.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// "TunedRoutines": the routine choices toravex-cpuinfo --tune measured on
// this machine, as one REG_SZ value of "key=value" items joined by ';':
//   vendor=GenuineIntel;family=6;model=85;stepping=4;features=0x03FF;
//   LargeMove=8388608;StringReplace=StringReplace;CompareMem=CompareMemC;...
// The processor's identity (vendor string, effective family and model,
// stepping, feature flags in hexadecimal), the size in bytes above which a
// move's block part bypasses the cache, then one slot=variant item per
// routine slot. The installer clears it with every other option.
inline constexpr char kTunedRoutinesValue[] = "TunedRoutines";

struct SlotChoice {
    std::string slot;     // "CompareStr", "Move"
    std::string variant;  // "CompareStrB"
    bool operator==(const SlotChoice&) const = default;
};

struct StoredTuning {
    std::string vendor;  // "GenuineIntel"; empty for a vendor not recognised
    uint8_t family = 0;
    uint8_t model = 0;
    uint8_t stepping = 0;
    uint16_t features = 0;
    int32_t largeMoveBytes = 0;  // never negative
    std::vector<SlotChoice> choices;  // in stored order
    bool operator==(const StoredTuning&) const = default;
};

// The text as stored, and back. Parsing accepts only what FormatTuning
// writes: every identity item once, slot items of letters and digits,
// numbers in range; anything else is malformed (nullopt). Which slots and
// variants exist is not checked here.
std::string FormatTuning(const StoredTuning& tuning);
std::optional<StoredTuning> ParseTuning(std::string_view text);

// The stored text (nullopt when the key or the value is missing, or the
// value is not a string of sensible length), and the stored tuning (also
// nullopt when the text is malformed).
std::optional<std::string> ReadTuningText();
std::optional<StoredTuning> ReadTuning();

// Writes "CnFastCodeWizard" = "0" into an existing CnWizards key, so that
// product does not patch the same routines; creates nothing, reports nothing.
void DisableOtherPatcher();

}  // namespace toravex
