#include "Personalities.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "IdeApplication.h"

namespace ide {

namespace {

std::string Trimmed(const std::string& s) {
    const size_t first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

bool Same(const std::string& a, const char* b) { return _stricmp(a.c_str(), b) == 0; }

std::string NamePart(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<std::string> ValueNames(const std::string& key) {
    std::vector<std::string> names;
    HKEY h;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str() + (key[0] == '\\'), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return names;
    char name[1024];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumValueA(h, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, size);
    }
    RegCloseKey(h);
    return names;
}

// The packages the default project file excludes in the section of tag.
std::vector<std::string> Excluded(const std::string& projectFile, const char* tag) {
    std::vector<std::string> names;
    std::ifstream in(projectFile);
    const std::string open = std::string("<") + tag + ".Personality>";
    const std::string close = std::string("</") + tag + ".Personality>";
    const std::string entry = "<Excluded_Packages Name=\"";
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
        line = Trimmed(line);
        if (Same(line, open.c_str())) inside = true;
        else if (line == close) break;
        else if (inside && _strnicmp(line.c_str(), entry.c_str(), entry.size()) == 0) {
            const size_t end = line.find('"', entry.size());
            if (end != std::string::npos) names.push_back(NamePart(Trimmed(line.substr(entry.size(), end - entry.size()))));
        }
    }
    return names;
}

std::string ProjectFile(const std::string& baseKey) {
    char folder[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, folder, CSIDL_LOCAL_APPDATA, FALSE)) return "";
    // The key below \Software\Borland: "<root>\<version>".
    const std::string prefix = "Software\\Borland\\";
    const size_t at = baseKey.find(prefix);
    const std::string versionKey = at == std::string::npos ? baseKey : baseKey.substr(at + prefix.size());
    return std::string(folder) + "\\Borland\\" + versionKey + "\\DefProject.bdsproj";
}

}  // namespace

std::vector<std::string> RunPersonalities() {
    std::vector<std::string> names;
    for (int i = 1; i < __argc; ++i) {
        const char* a = __argv[i];
        if ((a[0] != '-' && a[0] != '/') || (a[1] != 'p' && a[1] != 'P')) continue;
        std::string rest = std::string(a + 2) + ";";
        for (size_t at = 0, semi; (semi = rest.find(';', at)) != std::string::npos; at = semi + 1)
            names.push_back(Trimmed(rest.substr(at, semi - at)));
    }
    if (names.empty()) names = {"CBuilder", "Delphi", "CSharp", "DelphiDotNet", "VB"};
    return names;
}

std::vector<std::string> PersonalityPackageFiles(const std::string& baseKey, std::vector<std::string> files) {
    if (kOlderBuild) return files;
    const std::vector<std::string> personalities = RunPersonalities();
    std::string list;
    for (const std::string& p : personalities) list += (list.empty() ? "" : ",") + p;
    Log("personalities %s", list.c_str());
    if (EMUHOST_BUILD == 100)
        for (const std::string& p : personalities)
            for (const std::string& file : ValueNames(baseKey + "\\Known Packages\\" + p)) files.push_back(file);
    const std::string project = ProjectFile(baseKey);
    std::vector<std::string> excluded;
    for (const std::string& p : personalities) {
        const char* tag = Same(p, "Delphi") ? "Delphi" : Same(p, "CBuilder") ? "CPlusPlusBuilder" : nullptr;
        if (!tag) continue;
        for (const std::string& name : Excluded(project, tag)) excluded.push_back(name);
    }
    files.erase(std::remove_if(files.begin(), files.end(),
                               [&](const std::string& file) {
                                   return std::any_of(excluded.begin(), excluded.end(),
                                                      [&](const std::string& name) { return Same(NamePart(file), name.c_str()); });
                               }),
                files.end());
    return files;
}

}  // namespace ide
