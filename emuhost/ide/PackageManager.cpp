#include "ide/PackageManager.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "HostCall.h"
#include "HostNames.h"
#include "IdeApplication.h"
#include "Personalities.h"
#include "RuntimeImports.h"
#include "ide/RuntimePackages.h"

// An export of the core package, imported statically by the executable.
extern "C" __declspec(dllimport) HMODULE CoreLoadLibraryA(const char* fileName);

namespace emuide {

namespace {

using DesignPackageCreate = void*(HOSTCALL_STACK*)(const void* classRef, int8_t allocate, const char* fileName,
                                                   void* owner);
using DesignPackagesCreate = void*(HOSTCALL*)(const void* classRef, int8_t allocate);

auto gLStrFromPChar = RUNTIME_IMPORT(System_LStrFromPChar, void(HOSTCALL*)(char**, const char*));
auto gLStrClr = RUNTIME_IMPORT(System_LStrClr, void*(HOSTCALL*)(char**));
auto gFree = RUNTIME_IMPORT(System_TObject_Free, void(HOSTCALL*)(void*));

// The package manager's classes of the core package; nil in the builds
// whose core package has no TDesignPackage constructor.
struct CoreClasses {
    DesignPackageCreate create = nullptr;
    const void* packageClass = nullptr;
    const void* packagesClass = nullptr;
    DesignPackagesCreate createPackages = nullptr;
};

CoreClasses FindCoreClasses() {
    HMODULE core = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<const char*>(&CoreLoadLibraryA), &core);
    CoreClasses c;
    if (!core) return c;
    c.create = reinterpret_cast<DesignPackageCreate>(
        GetProcAddress(core, hostnames::Pakmgr_TDesignPackage_Create.decorated));
    c.packageClass = reinterpret_cast<const void*>(GetProcAddress(core, "@Pakmgr@TDesignPackage@"));
    c.packagesClass = reinterpret_cast<const void*>(GetProcAddress(core, "@Pakmgr@TDesignPackages@"));
    c.createPackages = reinterpret_cast<DesignPackagesCreate>(GetProcAddress(core, "@Pakmgr@TDesignPackages@$bctr$qqrv"));
    if (!c.packageClass || !c.packagesClass || !c.createPackages) c.create = nullptr;
    return c;
}

const CoreClasses& Core() {
    static const CoreClasses classes = FindCoreClasses();
    return classes;
}

std::string ExecutableFolder() {
    char exe[MAX_PATH];
    std::string dir(exe, GetModuleFileNameA(nullptr, exe, sizeof exe));
    return dir.erase(dir.find_last_of('\\') + 1);
}

// The value names of a key, in the order the registry enumerates them.
std::vector<std::string> ValueNames(HKEY key) {
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
        char name[1024];
        DWORD size = sizeof name;
        LONG rc = RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc == ERROR_SUCCESS) names.push_back(name);
    }
    return names;
}

// The start-up packages: the "Known Packages" of the key, or, when the key
// does not exist, the dclemu??.bpl beside the executable in name order.
std::vector<std::string> StartupPackageFiles(const std::string& baseKey) {
    std::vector<std::string> files;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, (baseKey + "\\Known Packages").c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        files = ValueNames(key);
        RegCloseKey(key);
        return files;
    }
    const std::string dir = ExecutableFolder();
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir + "dclemu??.bpl").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do files.push_back(dir + data.cFileName);
        while (FindNextFileA(find, &data));
        FindClose(find);
    }
    std::sort(files.begin(), files.end());
    return files;
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// A file of a change: a name without a folder lies in the IDE's bin folder.
std::string ChangeFile(const std::string& name) {
    return name.find_first_of("\\/:") == std::string::npos ? ExecutableFolder() + name : name;
}

// The changes of -packages:<change>,<change>... on the command line.
std::vector<std::string> ChangesOnCommandLine() {
    std::vector<std::string> changes;
    for (int i = 1; i < __argc; ++i) {
        if (_strnicmp(__argv[i], "-packages:", 10) != 0) continue;
        std::string list = __argv[i] + 10;
        for (size_t start = 0; start <= list.size();) {
            size_t end = list.find(',', start);
            if (end == std::string::npos) end = list.size();
            if (end > start) changes.push_back(list.substr(start, end - start));
            start = end + 1;
        }
    }
    return changes;
}

DesignPackageManager* gScheduled = nullptr;

}  // namespace

DesignPackageManager::DesignPackageManager(LogFn log) : log_(log), changes_(ChangesOnCommandLine()) {
    if (Core().create) designPackages_ = Core().createPackages(Core().packagesClass, 1);
}

DesignPackageManager::~DesignPackageManager() {
    if (gScheduled == this) gScheduled = nullptr;
    if (designPackages_) gFree(designPackages_);
}

// Creates the package's TDesignPackage (builds 90 and 100), then loads it.
bool DesignPackageManager::Load(const std::string& path, Held& held) {
    held = {path, nullptr, nullptr};
    if (Core().create) {
        char* fileName = nullptr;
        gLStrFromPChar(&fileName, path.c_str());
        held.designPackage = Core().create(Core().packageClass, 1, fileName, designPackages_);
        gLStrClr(&fileName);
    }
    std::string error;
    held.handle = LoadPackage(path, error);
    if (!held.handle) {
        if (held.designPackage) gFree(held.designPackage);
        log_("design-load %s failed: %s", path.c_str(), error.c_str());
        return false;
    }
    log_("design-load %s", path.c_str());
    ide::RegisterPackageComponents(path);
    return true;
}

void DesignPackageManager::Release(Held& held) {
    UnloadPackage(held.handle);
    if (held.designPackage) gFree(held.designPackage);
}

void DesignPackageManager::LoadStartupPackages(const std::string& baseKey) {
    LARGE_INTEGER begin, end;
    QueryPerformanceCounter(&begin);
    uint32_t checksum = 0;
    unsigned loaded = 0;
    for (const std::string& file : ide::PersonalityPackageFiles(baseKey, StartupPackageFiles(baseKey))) {
        Held held;
        if (!Load(file, held)) continue;
        if (auto result = reinterpret_cast<uint32_t (*)()>(GetProcAddress(held.handle, "WorkloadResult")))
            checksum = (checksum ^ result()) * 16777619u;
        held_.push_back(held);
        ++loaded;
    }
    QueryPerformanceCounter(&end);
    char line[128];
    std::snprintf(line, sizeof line, "workload packages=%u checksum=%08X ms=%.0f", loaded, checksum,
                  Milliseconds(begin, end));
    log_("%s", line);
    std::printf("%s\n", line);
}

void DesignPackageManager::ScheduleChanges() {
    if (changes_.empty()) return;
    gScheduled = this;
    SetTimer(nullptr, 0, 300, &ChangeTimer);
}

void CALLBACK DesignPackageManager::ChangeTimer(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (DesignPackageManager* manager = gScheduled) {
        gScheduled = nullptr;
        manager->MakeChanges();
    }
}

void DesignPackageManager::MakeChanges() {
    for (const std::string& change : changes_) {
        const size_t equals = change.find('=');
        const std::string verb = change.substr(0, equals);
        const std::string path = ChangeFile(equals == std::string::npos ? "" : change.substr(equals + 1));
        if (verb == "load") {
            Held held;
            if (Load(path, held)) held_.push_back(held);
        } else if (verb == "release") {
            auto it = std::find_if(held_.rbegin(), held_.rend(),
                                   [&](const Held& h) { return _stricmp(h.path.c_str(), path.c_str()) == 0; });
            if (it == held_.rend()) {
                log_("design-release %s not-held", path.c_str());
                continue;
            }
            Release(*it);
            held_.erase(std::next(it).base());
            log_("design-release %s %s", path.c_str(), GetModuleHandleA(path.c_str()) ? "still-loaded" : "unloaded");
        }
    }
    log_("packages-changed");
}

void DesignPackageManager::UnloadAll() {
    while (!held_.empty()) {
        Release(held_.back());
        log_("design-unload %s", held_.back().path.c_str());
        held_.pop_back();
    }
}

}  // namespace emuide
