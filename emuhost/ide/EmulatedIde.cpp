// The emulated IDE executable (bds.exe, delphi32.exe): starts the way the host
// IDE starts as far as Toravex can see it. It imports the runtime package and
// the IDE's core package (coreide100.bpl ...) statically, loads every "Known
// IDE Packages" entry of its registry key in registry order through the
// runtime's LoadPackage (which runs the package's "Initialize" after the
// duplicate-unit check), then every "Experts" entry
// (LoadLibrary, then INITWIZARD0001), then its design packages through its
// package manager (PackageManager.h), whose initializations do the start-up
// work. It reports how long the start-up took, shows its main window and
// runs until the window is closed; then it calls the experts' terminate procedures and unloads
// design packages, experts and packages in reverse order.
//
// Its windows are those of a VCL application (IdeApplication.h: the splash
// window while it starts, the main form with its menus, the IDE services,
// the component palette, and the switches and log lines of these).
//
// Command line:
//   -r<root>           registry root below \Software\Borland (default BDS or Delphi)
//   -autoclose[:ms]    close the main window that long after it became visible
//   -log:<file>        append one line per start-up and shut-down event
//   -packages:<changes> design packages released and loaded while running (PackageManager.h)
//
// Log lines (one per event, in this order):
//   start <exe> build <version> key <key>
//   package-load <name> | package-load <name> failed: <message>
//   package-init <name>
//   expert-load <file> | expert-load <file> failed <error>
//   expert-init <file> result=<0|1> terminate=<set|nil>
//   design-load <file> | design-load <file> failed: <message>
//   workload packages=<n> checksum=<8 hex digits> ms=<time of the design packages>
//   startup ms=<time from the start of the executable's main routine to the
//              visible main window, experts and design packages included>
//   mainwindow-visible, autoclose, close
//   design-unload <file>, expert-terminate <file>, expert-unload <file>,
//   package-finalize <name>, exit 0
// The workload and startup lines also go to standard output.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "HostBuilds.h"
#include "HostCall.h"
#include "HostFrames.h"
#include "HostLayout.h"
#include "IdeApplication.h"
#include "RuntimeImports.h"
#include "ide/PackageManager.h"
#include "ide/RuntimePackages.h"

// The core package, imported statically as by the host's executable.
extern "C" __declspec(dllimport) HMODULE CoreLoadLibraryA(const char* fileName);

namespace {

const emuhost::HostBuild& kBuild = emuhost::HostBuildFor(EMUHOST_BUILD);

struct Settings {
    std::string registryRoot = kBuild.registryRoot;
    int autoCloseMs = -1;
    std::string logFile;
};

FILE* gLog = nullptr;

void Log(const char* format, ...) {
    if (!gLog) return;
    va_list args;
    va_start(args, format);
    vfprintf(gLog, format, args);
    va_end(args);
    fputc('\n', gLog);
    fflush(gLog);
}

Settings ParseCommandLine() {
    Settings s;
    for (int i = 1; i < __argc; ++i) {
        const char* a = __argv[i];
        if ((a[0] == '-' || a[0] == '/') && (a[1] == 'r' || a[1] == 'R')) {
            s.registryRoot = a[2] ? a + 2 : kBuild.registryRoot;
        } else if (_strnicmp(a, "-autoclose", 10) == 0) {
            s.autoCloseMs = a[10] == ':' ? std::atoi(a + 11) : 300;
        } else if (_strnicmp(a, "-log:", 5) == 0) {
            s.logFile = a + 5;
        }
    }
    return s;
}

struct RegistryValue {
    std::string name;
    std::string data;
};

// The values of a key in the order the registry enumerates them.
std::vector<RegistryValue> ReadValues(const std::string& key) {
    std::vector<RegistryValue> values;
    HKEY h;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return values;
    for (DWORD i = 0;; ++i) {
        char name[1024];
        BYTE data[2048];
        DWORD nameSize = sizeof name, dataSize = sizeof data - 1, type = 0;
        LONG rc = RegEnumValueA(h, i, name, &nameSize, nullptr, &type, data, &dataSize);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) continue;
        data[dataSize] = 0;
        values.push_back({name, type == REG_SZ || type == REG_EXPAND_SZ ? reinterpret_cast<char*>(data) : ""});
    }
    RegCloseKey(h);
    return values;
}

using TerminateProc = void(HOSTCALL*)();
using InitWizardProc = BOOL(WINAPI*)(void* services, void* registerProc, TerminateProc* terminate);

struct LoadedModule {
    std::string path;
    HMODULE handle;
    TerminateProc terminate;
};

auto gUnloadPackage = RUNTIME_IMPORT(Sysutils_UnloadPackage, void(HOSTCALL*)(HMODULE));

std::vector<LoadedModule> LoadKnownPackages(const std::string& baseKey) {
    std::vector<LoadedModule> packages;
    for (const RegistryValue& v : ReadValues(baseKey + "\\Known IDE Packages")) {
        std::string error;
        HMODULE h = emuide::LoadPackage(v.name, error);
        if (!h) {
            Log("package-load %s failed: %s", v.name.c_str(), error.c_str());
            continue;
        }
        Log("package-load %s", v.name.c_str());
        Log("package-init %s", v.name.c_str());
        packages.push_back({v.name, h, nullptr});
    }
    return packages;
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The IDE's wizard-registration routine; experts of this system never call it.
void HOSTCALL RegisterWizard(void*) {}

std::vector<LoadedModule> LoadExperts(const std::string& baseKey) {
    std::vector<LoadedModule> experts;
    for (const RegistryValue& v : ReadValues(baseKey + "\\Experts")) {
        HMODULE h = LoadLibraryA(v.data.c_str());
        if (!h) {
            Log("expert-load %s failed %lu", v.data.c_str(), GetLastError());
            continue;
        }
        Log("expert-load %s", v.data.c_str());
        auto init = reinterpret_cast<InitWizardProc>(GetProcAddress(h, "INITWIZARD0001"));
        TerminateProc terminate = nullptr;
        BOOL ok = init && (init(nullptr, reinterpret_cast<void*>(&RegisterWizard), &terminate) & 0xFF);
        Log("expert-init %s result=%d terminate=%s", v.data.c_str(), ok ? 1 : 0, terminate ? "set" : "nil");
        if (!ok) {
            FreeLibrary(h);
            continue;
        }
        experts.push_back({v.data, h, terminate});
    }
    return experts;
}

Settings gSettings;
LARGE_INTEGER gProcessStart;

void LogLine(const char* line) { Log("%s", line); }

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    QueryPerformanceCounter(&gProcessStart);
    HMODULE (*volatile corePackage)(const char*) = &CoreLoadLibraryA;
    (void)corePackage;
    gSettings = ParseCommandLine();
    if (!gSettings.logFile.empty()) gLog = std::fopen(gSettings.logFile.c_str(), "a");

    // The IDE's own state lives in memory of the runtime's memory manager.
    auto getMem = RUNTIME_IMPORT(System_GetMem, void*(HOSTCALL*)(int32_t));
    auto freeMem = RUNTIME_IMPORT(System_FreeMem, int32_t(HOSTCALL*)(void*));
    void* ideState = getMem(4096);

    const std::string baseKey = "Software\\Borland\\" + gSettings.registryRoot + "\\" + kBuild.versionKey;
    Log("start %s build %d key %s", kBuild.ideExecutable, kBuild.packageVersion, baseKey.c_str());
    ide::StartApplication(ide::ParseIdeSwitches(__argc, __argv), &LogLine);

    std::vector<LoadedModule> packages = LoadKnownPackages(baseKey);
    std::vector<LoadedModule> experts = LoadExperts(baseKey);
    emuide::DesignPackageManager designPackages(&Log);
    designPackages.LoadStartupPackages(baseKey);

    ide::ShowMainForm();
    LARGE_INTEGER visible;
    QueryPerformanceCounter(&visible);
    char line[64];
    std::snprintf(line, sizeof line, "startup ms=%.0f", Milliseconds(gProcessStart, visible));
    Log("%s", line);
    std::printf("%s\n", line);
    std::fflush(stdout);
    Log("mainwindow-visible");
    designPackages.ScheduleChanges();
    ide::RunApplication(gSettings.autoCloseMs);
    ide::DestroyForms();

    designPackages.UnloadAll();
    for (auto it = experts.rbegin(); it != experts.rend(); ++it) {
        if (it->terminate) {
            it->terminate();
            Log("expert-terminate %s", it->path.c_str());
        }
        FreeLibrary(it->handle);
        Log("expert-unload %s", it->path.c_str());
    }
    for (auto it = packages.rbegin(); it != packages.rend(); ++it) {
        gUnloadPackage(it->handle);
        Log("package-finalize %s", it->path.c_str());
    }
    freeMem(ideState);
    ide::FinalizeUnits();
    Log("exit 0");
    if (gLog) std::fclose(gLog);
    return 0;
}
