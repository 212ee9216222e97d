// The emulated IDE executable (bds.exe, delphi32.exe): starts the way the host
// IDE starts as far as Toravex can see it. It imports the runtime package
// statically, loads every "Known IDE Packages" entry of its registry key in
// registry order (LoadLibrary, then the package's "Initialize"), then every
// "Experts" entry (LoadLibrary, then INITWIZARD0001), shows its main window
// and runs until the window is closed; then it calls the experts' terminate
// procedures and unloads experts and packages in reverse order.
//
// Command line:
//   -r<root>           registry root below \Software\Borland (default BDS or Delphi)
//   -autoclose[:ms]    close the main window that long after it became visible
//   -log:<file>        append one line per start-up and shut-down event
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "HostBuilds.h"
#include "HostCall.h"
#include "RuntimeImports.h"

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

using PackageProc = void(HOSTCALL*)();
using TerminateProc = void(HOSTCALL*)();
using InitWizardProc = BOOL(WINAPI*)(void* services, void* registerProc, TerminateProc* terminate);

struct LoadedModule {
    std::string path;
    HMODULE handle;
    TerminateProc terminate;
};

std::vector<LoadedModule> LoadKnownPackages(const std::string& baseKey) {
    std::vector<LoadedModule> packages;
    for (const RegistryValue& v : ReadValues(baseKey + "\\Known IDE Packages")) {
        HMODULE h = LoadLibraryA(v.name.c_str());
        if (!h) {
            Log("package-load %s failed %lu", v.name.c_str(), GetLastError());
            continue;
        }
        Log("package-load %s", v.name.c_str());
        if (auto init = reinterpret_cast<PackageProc>(GetProcAddress(h, "Initialize"))) {
            init();
            Log("package-init %s", v.name.c_str());
        }
        packages.push_back({v.name, h, nullptr});
    }
    return packages;
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

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_TIMER:
            KillTimer(hwnd, wp);
            Log("autoclose");
            PostMessageA(hwnd, WM_CLOSE, 0, 0);
            return 0;
        case WM_CLOSE:
            Log("close");
            DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND CreateMainWindow() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TAppBuilder";
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassA(&wc);
    return CreateWindowA("TAppBuilder", kBuild.productName, WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr,
                         wc.hInstance, nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    gSettings = ParseCommandLine();
    if (!gSettings.logFile.empty()) gLog = std::fopen(gSettings.logFile.c_str(), "a");

    // The IDE's own state lives in memory of the runtime's memory manager.
    auto getMem = RUNTIME_IMPORT(System_GetMem, void*(HOSTCALL*)(int32_t));
    auto freeMem = RUNTIME_IMPORT(System_FreeMem, int32_t(HOSTCALL*)(void*));
    void* ideState = getMem(4096);

    const std::string baseKey = "Software\\Borland\\" + gSettings.registryRoot + "\\" + kBuild.versionKey;
    Log("start %s build %d key %s", kBuild.ideExecutable, kBuild.packageVersion, baseKey.c_str());

    std::vector<LoadedModule> packages = LoadKnownPackages(baseKey);
    std::vector<LoadedModule> experts = LoadExperts(baseKey);

    HWND main = CreateMainWindow();
    ShowWindow(main, SW_SHOWNORMAL);
    UpdateWindow(main);
    Log("mainwindow-visible");
    if (gSettings.autoCloseMs >= 0) SetTimer(main, 1, static_cast<UINT>(gSettings.autoCloseMs), nullptr);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    for (auto it = experts.rbegin(); it != experts.rend(); ++it) {
        if (it->terminate) {
            it->terminate();
            Log("expert-terminate %s", it->path.c_str());
        }
        FreeLibrary(it->handle);
        Log("expert-unload %s", it->path.c_str());
    }
    for (auto it = packages.rbegin(); it != packages.rend(); ++it) {
        if (auto fin = reinterpret_cast<PackageProc>(GetProcAddress(it->handle, "Finalize"))) {
            fin();
            Log("package-finalize %s", it->path.c_str());
        }
        FreeLibrary(it->handle);
    }
    freeMem(ideState);
    Log("exit 0");
    if (gLog) std::fclose(gLog);
    return 0;
}
