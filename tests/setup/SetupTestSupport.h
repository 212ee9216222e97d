// The installer's seams for tests: a registry in memory that keeps values in
// creation order (as Windows does; Wine enumerates them sorted by name), a
// platform on folders of the test, and a record of the step marks.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
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

// Keys and value names compare without regard to case; a rewritten value
// keeps its place.
class MemoryRegistry : public setup::RegistryAccess {
public:
    bool KeyExists(Hive hive, const std::string& key) override { return keys_.count(Path(hive, key)) != 0; }
    bool KeyWritable(Hive hive, const std::string& key) override { return KeyExists(hive, key); }
    bool CreateKey(Hive hive, const std::string& key) override {
        const std::string path = Path(hive, key);
        for (size_t at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 1))
            keys_[path.substr(0, at)];
        keys_[path];
        return true;
    }
    void DeleteKeyTree(Hive hive, const std::string& key) override {
        const std::string path = Path(hive, key);
        std::erase_if(keys_, [&](const auto& k) { return k.first == path || k.first.rfind(path + "\\", 0) == 0; });
    }
    std::vector<std::string> ValueNames(Hive hive, const std::string& key) override {
        std::vector<std::string> names;
        for (const auto& value : keys_[Path(hive, key)]) names.push_back(value.first);
        return names;
    }
    std::optional<RegistryData> ReadValue(Hive hive, const std::string& key, const std::string& name) override {
        Values* values = Find(hive, key);
        auto value = values ? Find(*values, name) : Values::iterator();
        if (!values || value == values->end()) return std::nullopt;
        return value->second;
    }
    bool WriteValue(Hive hive, const std::string& key, const std::string& name, const RegistryData& data) override {
        Values* values = Find(hive, key);
        if (!values) return false;
        if (auto value = Find(*values, name); value != values->end())
            value->second = data;
        else
            values->emplace_back(name, data);
        return true;
    }
    bool DeleteValue(Hive hive, const std::string& key, const std::string& name) override {
        Values* values = Find(hive, key);
        auto value = values ? Find(*values, name) : Values::iterator();
        if (!values || value == values->end()) return false;
        values->erase(value);
        return true;
    }

private:
    using Values = std::vector<std::pair<std::string, RegistryData>>;
    static std::string Lower(std::string s) {
        std::transform(s.begin(), s.end(), s.begin(), ::tolower);
        return s;
    }
    static std::string Path(Hive hive, const std::string& key) {
        return (hive == Hive::LocalMachine ? "HKLM" : "HKCU") + Lower(key);
    }
    Values* Find(Hive hive, const std::string& key) {
        auto it = keys_.find(Path(hive, key));
        return it == keys_.end() ? nullptr : &it->second;
    }
    static Values::iterator Find(Values& values, const std::string& name) {
        return std::find_if(values.begin(), values.end(), [&](const auto& v) { return Lower(v.first) == Lower(name); });
    }
    std::map<std::string, Values> keys_;
};

// The Win32 platform with the family and the folders of the test.
class TestPlatform : public setup::Win32SetupPlatform {
public:
    bool win9x = false;
    std::string appData, program;  // the installer's folder with a trailing delimiter
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

inline bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
inline void Touch(const std::string& path) {
    CloseHandle(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// A fresh, empty folder below the test program's temporary folder, whose
// name an earlier program with the same process id may have used.
inline std::string NewFolder(const std::string& name) {
    static int counter = 0;
    const std::string folder = testsupport::TempDir() + "\\" + name + std::to_string(++counter);
    const std::string list = folder + '\0';  // a double-terminated list of one
    SHFILEOPSTRUCTA remove = {};
    remove.wFunc = FO_DELETE;
    remove.pFrom = list.c_str();
    remove.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    SHFileOperationA(&remove);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

}  // namespace setuptest
