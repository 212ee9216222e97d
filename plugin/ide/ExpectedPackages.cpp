#include "ide/ExpectedPackages.h"

#include <string>

#include "base/DiagnosticLog.h"
#include "base/HostRuntime.h"
#include "base/Registry.h"
#include "base/TextLines.h"
#include "base/Utils.h"
#include "runtime/LoaderHooks.h"

namespace toravex {

HostStringList* ExpectedPackages = nullptr;

namespace {

// The personalities of an IDE started without -p.
constexpr const char* kAllPersonalities[] = {"CBuilder", "Delphi", "CSharp", "DelphiDotNet", "VB"};

// A parameter that starts with "-x" or "/x" (x ignoring case): the rest, else nil.
const char* SwitchRest(const HostString& parameter, char letter) {
    const char* p = parameter.CStr();
    if ((p[0] != '-' && p[0] != '/') || (p[1] | 0x20) != letter) return nullptr;
    return p + 2;
}

void AddPersonalities(std::vector<HostString>& personalities, const char* rest) {
    // Each piece ends at a ";" (one is added after the last): "a;;b" names
    // three, the middle one empty, and "-p" alone one empty name.
    const HostString list = Unquote(HostString(rest).Get());
    const char* p = list.CStr();
    for (;;) {
        const char* end = p;
        while (*end && *end != ';') ++end;
        const HostString piece(p, static_cast<int32_t>(end - p));
        personalities.push_back(TrimText(Unquote(piece.Get()).CStr()));
        if (!*end) break;
        p = end + 1;
    }
}

bool IsAny(const std::vector<HostString>& personalities, std::initializer_list<const char*> names) {
    for (const HostString& p : personalities)
        for (const char* name : names)
            if (SameTextAscii(p.CStr(), name)) return true;
    return false;
}

std::string KeyOf(const char* baseKey, const char* subKey) { return std::string(baseKey) + "\\" + subKey; }

}  // namespace

IdeRunSettings ReadPersonalities(const HostStringList& parameters, const char* versionText) {
    IdeRunSettings run;
    HostString root("BDS");
    for (int32_t i = 0; i < parameters.Count(); ++i) {
        const HostString parameter = Unquote(parameters[i].Get());
        if (const char* rest = SwitchRest(parameter, 'p')) {
            AddPersonalities(run.personalities, rest);
        } else if (const char* rest = SwitchRest(parameter, 'r')) {
            root = Unquote(HostString(rest).Get());
            if (root.Empty()) root = HostString("BDS");
        }
    }
    run.ideVersionKey = HostString((std::string(root.CStr()) + "\\" + versionText).c_str());
    run.baseKey = HostString((std::string("\\Software\\Borland\\") + run.ideVersionKey.CStr()).c_str());
    if (run.personalities.empty())
        for (const char* name : kAllPersonalities) run.personalities.emplace_back(name);
    return run;
}

void AddKnownPackages(HostStringList& list, const char* baseKey, const char* subKey) {
    RegistryKey key;
    if (!key.OpenReadOnly(HKEY_CURRENT_USER, KeyOf(baseKey, subKey).c_str())) return;
    for (const auto& [name, text] : key.StringValues())
        if (!text.empty()) list.Add(HostString(FileNamePart(name.c_str())));
}

void AddExperts(HostStringList& list, const char* baseKey, const char* subKey) {
    RegistryKey key;
    if (!key.OpenReadOnly(HKEY_CURRENT_USER, KeyOf(baseKey, subKey).c_str())) return;
    for (const auto& [name, text] : key.StringValues()) {
        const HostString library = TrimText(text.c_str());
        if (library.Empty()) continue;
        const char* file = FileNamePart(library.CStr());
        if (list.IndexOfText(file) < 0) list.Add(HostString(file));
    }
}

void RemoveExcludedPackages(HostStringList& list, const HostStringList& lines, const char* tag) {
    const std::string opening = std::string("<") + tag + ".Personality>";
    const std::string closing = std::string("</") + tag + ".Personality>";
    constexpr char kExcluded[] = "<Excluded_Packages Name=\"";  // 25 characters
    bool inside = false;
    for (int32_t i = 0; i < lines.Count(); ++i) {
        const HostString line = TrimText(lines[i].CStr());
        if (SameTextAscii(line.CStr(), opening.c_str())) {
            inside = true;
        } else if (closing == line.CStr()) {
            return;
        } else if (inside && StartsText(HostString(kExcluded).Get(), line.Get())) {
            const char* name = line.CStr() + sizeof kExcluded - 1;
            const char* quote = name;
            while (*quote && *quote != '"') ++quote;
            if (!*quote) continue;  // no closing quote: not an entry
            const HostString path = TrimText(HostString(name, static_cast<int32_t>(quote - name)).CStr());
            // Every copy goes: a package registered twice is excluded as well.
            for (int32_t at; (at = list.IndexOfText(FileNamePart(path.CStr()))) >= 0;) list.Delete(at);
        }
    }
}

int32_t BuildExpectedPackages(HostStringList& list, const HostStringList& parameters, const BuildProfile& profile) {
    IdeRunSettings run = ReadPersonalities(parameters, profile.ideVersionText);
    const char* base = run.baseKey.CStr();
    AddExperts(list, base, "Experts");
    if (profile.readsPersonalityKeys) {
        for (const HostString& p : run.personalities) {
            AddKnownPackages(list, base, KeyOf("Known Packages", p.CStr()).c_str());
            AddKnownPackages(list, base, KeyOf("Known IDE Packages", p.CStr()).c_str());
        }
        if (IsAny(run.personalities, {"DelphiDotNet", "CSharp", "VB"})) AddKnownPackages(list, base, "Known Assemblies");
        if (IsAny(run.personalities, {"Delphi", "CBuilder"})) AddKnownPackages(list, base, "Known Packages");
    } else {
        AddKnownPackages(list, base, "Known Assemblies");
        AddKnownPackages(list, base, "Known Packages");
    }

    const std::string project =
        std::string(LocalAppDataFolder().CStr()) + "\\Borland\\" + run.ideVersionKey.CStr() + "\\DefProject.bdsproj";
    HostStringList lines;
    if (ReadTextLines(project.c_str(), lines)) {
        for (const HostString& p : run.personalities) {
            if (SameTextAscii(p.CStr(), "Delphi"))
                RemoveExcludedPackages(list, lines, "Delphi");
            else if (SameTextAscii(p.CStr(), "CBuilder"))
                RemoveExcludedPackages(list, lines, "CPlusPlusBuilder");
        }
    }
    run.personalities.clear();

    for (int32_t i = list.Count() - 1; i >= 0; --i)
        if (FindHostModule(list[i].CStr())) list.Delete(i);
    list.Sort();
    // A package registered under two keys is loaded once and counted once.
    for (int32_t i = list.Count() - 1; i > 0; --i)
        if (SameTextAscii(list[i].CStr(), list[i - 1].CStr())) list.Delete(i);
    if (Logging()) LogEvent("expected packages %d under %s", static_cast<int>(list.Count()), base);
    return list.Count();
}

}  // namespace toravex
