#include "base/Options.h"

#include "base/BuildProfile.h"
#include "base/FormatText.h"
#include "base/Registry.h"

#include <algorithm>
#include <charconv>

namespace toravex {

OptionsRecord Options = {false, true, true, true};

namespace {

bool ReadFlag(const RegistryKey& key, const char* name, bool defaultValue) {
    uint32_t value;
    return key.ReadDword(name, value) ? value != 0 : defaultValue;
}

}  // namespace

OptionValues ReadOptionValues() {
    RegistryKey key;
    key.OpenReadOnly(HKEY_CURRENT_USER, Profile().optionsKey);
    OptionValues v;
    v.NoFastSys = ReadFlag(key, "NoFastSys", false);
    v.NoFastObj = ReadFlag(key, "NoFastObj", false);
    v.kept.HookAllDlls = ReadFlag(key, "HookAllDlls", false);
    v.kept.HookBplOnly = ReadFlag(key, "HookBplOnly", true);
    v.kept.SetShortCuts = ReadFlag(key, "SetShortCuts", true);
    v.kept.ThreadSafeStrings = ReadFlag(key, "ThreadSafeStrings", true);
    return v;
}

bool ReadBlendedFastCode() {
    RegistryKey key;
    return key.OpenReadOnly(HKEY_CURRENT_USER, Profile().optionsKey) && ReadFlag(key, "BlendedFastCode", false);
}

namespace {

constexpr size_t kMaxTuningText = 2048;

bool IsName(std::string_view s) {
    if (s.empty() || s.size() > 64) return false;
    for (char c : s)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
    return true;
}

// Digits only (no sign, no blanks) in the base, at most `highest`.
template <class T>
bool ParseNumber(std::string_view s, int base, uint32_t highest, T& value) {
    if (s.empty() || s.size() > 10) return false;
    uint32_t v = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (error != std::errc() || end != s.data() + s.size() || v > highest) return false;
    value = static_cast<T>(v);
    return true;
}

bool ParseFeatures(std::string_view s, uint16_t& features) {
    return s.size() > 2 && s.substr(0, 2) == "0x" && s.size() <= 6 && ParseNumber(s.substr(2), 16, 0xFFFF, features);
}

// A vendor string is 12 characters at most (empty when not recognised).
bool ParseVendor(std::string_view s, std::string& vendor) {
    if (s.size() > 12 || s.find('=') != std::string_view::npos) return false;
    vendor = s;
    return true;
}

}  // namespace

std::string FormatTuning(const StoredTuning& t) {
    char features[8];
    FormatText(features, sizeof features, "0x%04X", t.features);
    std::string text = "vendor=" + t.vendor + ";family=" + std::to_string(t.family) +
                       ";model=" + std::to_string(t.model) + ";stepping=" + std::to_string(t.stepping) +
                       ";features=" + features + ";LargeMove=" + std::to_string(t.largeMoveBytes);
    for (const SlotChoice& c : t.choices) text += ";" + c.slot + "=" + c.variant;
    return text;
}

std::optional<StoredTuning> ParseTuning(std::string_view text) {
    if (text.size() > kMaxTuningText) return std::nullopt;
    StoredTuning t;
    enum : unsigned { Vendor = 1, Family = 2, Model = 4, Stepping = 8, Features = 16, LargeMove = 32, All = 63 };
    unsigned seen = 0;
    auto once = [&](unsigned item) {
        const bool first = !(seen & item);
        seen |= item;
        return first;
    };
    for (size_t start = 0; start <= text.size();) {
        const size_t end = std::min(text.find(';', start), text.size());
        const std::string_view item = text.substr(start, end - start);
        start = end + 1;
        const size_t equals = item.find('=');
        if (equals == std::string_view::npos) return std::nullopt;
        const std::string_view key = item.substr(0, equals), value = item.substr(equals + 1);
        bool ok;
        if (key == "vendor")
            ok = once(Vendor) && ParseVendor(value, t.vendor);
        else if (key == "family")
            ok = once(Family) && ParseNumber(value, 10, 255, t.family);
        else if (key == "model")
            ok = once(Model) && ParseNumber(value, 10, 255, t.model);
        else if (key == "stepping")
            ok = once(Stepping) && ParseNumber(value, 10, 15, t.stepping);
        else if (key == "features")
            ok = once(Features) && ParseFeatures(value, t.features);
        else if (key == "LargeMove")
            ok = once(LargeMove) && ParseNumber(value, 10, 0x7FFFFFFF, t.largeMoveBytes);
        else {
            // A slot item: each slot once.
            ok = IsName(key) && IsName(value);
            for (const SlotChoice& c : t.choices) ok = ok && c.slot != key;
            if (ok) t.choices.push_back({std::string(key), std::string(value)});
        }
        if (!ok) return std::nullopt;
    }
    if (seen != All) return std::nullopt;
    return t;
}

std::optional<std::string> ReadTuningText() {
    RegistryKey key;
    std::string text;
    if (!key.OpenReadOnly(HKEY_CURRENT_USER, Profile().optionsKey) ||
        !key.ReadString(kTunedRoutinesValue, text, kMaxTuningText))
        return std::nullopt;
    return text;
}

std::optional<StoredTuning> ReadTuning() {
    const std::optional<std::string> text = ReadTuningText();
    return text ? ParseTuning(*text) : std::nullopt;
}

void DisableOtherPatcher() {
    RegistryKey key;
    if (key.OpenForWriting(HKEY_CURRENT_USER, "\\Software\\CnPack\\CnWizards\\Active"))
        key.WriteString("CnFastCodeWizard", "0");
}

}  // namespace toravex
