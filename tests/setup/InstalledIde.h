// The real registry keys of the IDE of build 100 for tests that run the
// installer program: the IDE's key under HKEY_LOCAL_MACHINE with "RootDir"
// at the emulated IDE, and nothing of Toravex anywhere; everything is removed
// again at the end. Tests using it hold the registry lock.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "TestSupport.h"

namespace setuptest {

inline const char kIdeKey[] = "Software\\Borland\\BDS\\4.0";
inline const char kOptionsKey[] = "Software\\Kalvoro\\Toravex\\10";

class InstalledIde {
public:
    InstalledIde() {
        Clean();
        HKEY key;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, kIdeKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        const std::string ideBin = testsupport::EmulatedIdeDir(100);
        const std::string root = ideBin.substr(0, ideBin.size() - 4);  // without "\bin"
        RegSetValueExA(key, "RootDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(root.c_str()),
                       static_cast<DWORD>(root.size() + 1));
        RegCloseKey(key);
    }
    ~InstalledIde() { Clean(); }

    // Where the installer puts the files on this platform family.
    static std::string Folder() {
        char appData[MAX_PATH] = {};
        SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, appData);
        return std::string(appData) + "\\Toravex";
    }
    static std::string Setup() { return testsupport::BinDir() + "\\ToravexSetup10.exe"; }

private:
    static void Clean() {
        testsupport::DeleteKeyTree(kIdeKey);
        testsupport::DeleteKeyTree(kOptionsKey);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kIdeKey);
        for (const char* name : {"\\Toravex10.dll", "\\ToravexLoader10.bpl"}) DeleteFileA((Folder() + name).c_str());
        RemoveDirectoryA(Folder().c_str());
    }
};

}  // namespace setuptest
