// The installer's seams for tests: a registry in memory that keeps values in
// creation order (as Windows does; Wine enumerates them sorted by name), a
// platform on folders of the test, and a record of the step marks.
#pragma once

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <vector>

#include "RegistryAccess.h"
#include "SetupPlatform.h"
#include "StepMarks.h"
#include "TestSupport.h"

namespace setuptest {

using setup::Hive;
using setup::RegistryData;

class MemoryRegistry : public setup::RegistryAccess {
public:
    bool KeyExists(Hive hive, const std::string& key) override { return keys_.count(Path(hive, key)) != 0; }
    bool KeyWritable(Hive hive, const std::string& key) override { return KeyExists(hive, key); }
    bool CreateKey(Hive hive, const std::string& key) override {
        std::string path = Path(hive, key);
        for (size_t at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 1))
            keys_[path.substr(0, at)];
        keys_[path];
        return true;
    }
    void DeleteKeyTree(Hive hive, const std::string& key) override {
        const std::string path = Path(hive, key);
        for (auto it = keys_.begin(); it != keys_.end();)
            it = it->first == path || it->first.rfind(path + "\\", 0) == 0 ? keys_.erase(it) : std::next(it);
    }
    std::vector<std::string> ValueNames(Hive hive, const std::string& key) override {
        std::vector<std::string> names;
        if (auto it = keys_.find(Path(hive, key)); it != keys_.end())
            for (const auto& value : it->second) names.push_back(value.first);
        return names;
    }
    std::optional<RegistryData> ReadValue(Hive hive, const std::string& key, const std::string& name) override {
        auto it = keys_.find(Path(hive, key));
        if (it == keys_.end()) return std::nullopt;
        auto value = Find(it->second, name);
        if (value == it->second.end()) return std::nullopt;
        return value->second;
    }
    bool WriteValue(Hive hive, const std::string& key, const std::string& name, const RegistryData& data) override {
        auto it = keys_.find(Path(hive, key));
        if (it == keys_.end()) return false;
        auto value = Find(it->second, name);
        if (value != it->second.end())
            value->second = data;  // a rewritten value keeps its place
        else
            it->second.emplace_back(name, data);
        return true;
    }
    bool DeleteValue(Hive hive, const std::string& key, const std::string& name) override {
        auto it = keys_.find(Path(hive, key));
        if (it == keys_.end()) return false;
        auto value = Find(it->second, name);
        if (value == it->second.end()) return false;
        it->second.erase(value);
        return true;
    }

private:
    using Values = std::vector<std::pair<std::string, RegistryData>>;
    static std::string Lower(std::string s) {
        for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    }
    static std::string Path(Hive hive, const std::string& key) {
        return (hive == Hive::LocalMachine ? "HKLM" : "HKCU") + Lower(key.rfind('\\', 0) == 0 ? key : "\\" + key);
    }
    static Values::iterator Find(Values& values, const std::string& name) {
        return std::find_if(values.begin(), values.end(),
                            [&](const auto& v) { return Lower(v.first) == Lower(name); });
    }
    std::map<std::string, Values> keys_;
};

// The Win32 platform with the family and the folders of the test.
class TestPlatform : public setup::Win32SetupPlatform {
public:
    bool win9x = false;
    std::string appData;  // the application-data folder
    std::string program;  // the installer's folder, trailing delimiter
    bool IsWin9xFamily() override { return win9x; }
    std::string AppDataFolder() override { return appData; }
    std::string ProgramFolder() override { return program; }
};

// "0+" when step 0 was marked done, "0-" when its mark was cleared.
class RecordedSteps : public setup::StepMarks {
public:
    std::vector<std::string> marks;
    void SetStepDone(int step, bool done) override { marks.push_back(std::to_string(step) + (done ? "+" : "-")); }
};

inline void DeleteFolderTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName, path = folder + "\\" + name;
            if (name == "." || name == "..") continue;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteFolderTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

// A fresh, empty folder below the test program's temporary folder (whose
// name may have been used by an earlier program with the same process id).
inline std::string NewFolder(const std::string& name) {
    static int counter = 0;
    std::string folder = testsupport::TempDir() + "\\" + name + std::to_string(++counter);
    DeleteFolderTree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

inline bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline void WriteFile(const std::string& path, const std::string& content) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
}

}  // namespace setuptest
