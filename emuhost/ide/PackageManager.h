// The emulated IDE's package manager for design packages. At start-up it
// loads the "Known Packages" of the IDE's key (or, when that key does not
// exist, the dclemu??.bpl beside the executable); their initializations do
// the start-up work. Builds 90 and 100 create a TDesignPackage for each
// package first, through the constructor the core package exports, as the
// host's package manager does. While the IDE runs it releases and loads
// design packages when the command line asks, as a user installing and
// removing packages does, and at the end it unloads what it still holds.
//
// Command line:
//   -packages:<change>,<change>...   made in order 300 ms after the main
//       window became visible; a change is load=<file> or release=<file>
//       (a file name without a folder means the IDE's bin folder). A release
//       drops the most recent load of that file.
//
// Log lines:
//   design-load <file> | design-load <file> failed: <message>
//   workload packages=<n> checksum=<8 hex digits> ms=<time of the start-up packages>
//   design-release <file> unloaded | still-loaded | not-held
//   packages-changed            after the last change
//   design-unload <file>        at the end, the most recent load first
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace emuide {

class DesignPackageManager {
public:
    using LogFn = void (*)(const char* format, ...);

    explicit DesignPackageManager(LogFn log);
    DesignPackageManager(const DesignPackageManager&) = delete;
    ~DesignPackageManager();

    // Loads the start-up packages and reports the workload line (also on
    // standard output).
    void LoadStartupPackages(const std::string& baseKey);
    // Arms the timer of the -packages: changes, if any were asked for.
    void ScheduleChanges();
    // Unloads every package still held, the most recent first.
    void UnloadAll();

private:
    struct Held {
        std::string path;
        HMODULE handle;
        void* designPackage;  // the TDesignPackage, nil in the builds without one
    };

    bool Load(const std::string& path, Held& held);
    void Release(Held& held);
    void MakeChanges();
    static void CALLBACK ChangeTimer(HWND, UINT, UINT_PTR, DWORD);

    LogFn log_;
    std::vector<Held> held_;
    std::vector<std::string> changes_;
    void* designPackages_ = nullptr;  // the IDE's TDesignPackages list
};

}  // namespace emuide
