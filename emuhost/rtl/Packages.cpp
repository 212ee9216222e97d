// Packages: the runtime's list of registered modules, the package
// information resource ("PACKAGEINFO"), and loading, initializing and
// unloading packages with the check that no unit is contained twice.
#include <windows.h>

#include "Bytes.h"
#include "EmuRuntime.h"
#include "HostFrames.h"

using hostabi::LibModule;
using hostabi::PackageInfoHeader;

namespace emurtl {

namespace {

// One entry of a package information table.
struct PackageEntry {
    const char* name;
    uint8_t nameType;
    uint8_t flags;  // unit flags; 0 for the other name types
    uint8_t hash;
};

bool IsPackage(const PackageInfoHeader* info) {
    return info && (info->flags & hostabi::kModuleTypeMask) == hostabi::kPackageModule;
}

// From build 60 on a package's table names its compiled package file after
// the units; the build-50 runtime (vcl50.bpl) knows no such entry.
bool ReportsCompiledPackageName() {
    static const bool reports = [] {
        char path[MAX_PATH];
        const DWORD n = GetModuleFileNameA(reinterpret_cast<HMODULE>(ModuleInstance), path, sizeof path);
        return n < 9 || StrIComp(path + n - 9, "vcl50.bpl") != 0;
    }();
    return reports;
}

// Walks a package information table in its order: the required packages,
// the contained units, then (packages, builds 60 on) the compiled package
// name. `visit` returns true to stop the walk.
template <class Visit>
void WalkPackageInfo(const PackageInfoHeader* info, Visit&& visit) {
    auto* p = reinterpret_cast<const char*>(info + 1);
    for (int32_t i = 0; i < info->requiresCount; ++i) {
        if (visit(PackageEntry{p + 1, hostabi::kRequiresPackage, 0, static_cast<uint8_t>(p[0])})) return;
        p += 1 + TextLength(p + 1) + 1;
    }
    int32_t contains;
    CopyBytes(&contains, p, 4);
    p += 4;
    for (int32_t i = 0; i < contains; ++i) {
        if (visit(PackageEntry{p + 2, hostabi::kContainsUnit, static_cast<uint8_t>(p[0]), static_cast<uint8_t>(p[1])}))
            return;
        p += 2 + TextLength(p + 2) + 1;
    }
    if (IsPackage(info) && ReportsCompiledPackageName())
        visit(PackageEntry{p + 1, hostabi::kDcpBpiName, 0, static_cast<uint8_t>(p[0])});
}

// The packages whose units the duplicate check compares: packages without
// the bit that asks for duplicates to be ignored.
bool IsCheckedPackage(const PackageInfoHeader* info) {
    return IsPackage(info) && !(info->flags & hostabi::kIgnoreDupUnits);
}

bool IsCheckedUnit(const PackageEntry& e) {
    return e.nameType == hostabi::kContainsUnit && !(e.flags & hostabi::kWeakPackageUnit);
}

// The module's file name without directory, and without its extension
// unless keepExtension.
void ModuleName(HMODULE module, char** result, bool keepExtension = false) {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(module, path, sizeof path);
    int32_t start = 0, end = static_cast<int32_t>(n);
    for (int32_t i = 0; i < static_cast<int32_t>(n); ++i)
        if (path[i] == '\\' || path[i] == ':' || path[i] == '/') start = i + 1;
    for (int32_t i = static_cast<int32_t>(n) - 1; i >= start && !keepExtension; --i)
        if (path[i] == '.') {
            end = i;
            break;
        }
    LStrFromPCharLen(result, path + start, end - start);
}

// The registered package, other than `self`, that contains `unit` as a
// checked unit; nil when there is none. Every registered module's table is
// searched, so the cost grows with the packages loaded.
HMODULE FindUnitOwner(const PackageEntry& unit, HMODULE self) {
    for (LibModule* m = emu_System_LibModuleList; m; m = m->next) {
        HMODULE module = reinterpret_cast<HMODULE>(m->instance);
        if (module == self) continue;
        const PackageInfoHeader* info = PackageInfoTable(module);
        if (!IsCheckedPackage(info)) continue;
        bool found = false;
        WalkPackageInfo(info, [&](const PackageEntry& e) {
            found = IsCheckedUnit(e) && (e.hash == unit.hash || e.hash == 0 || unit.hash == 0) &&
                    StrIComp(e.name, unit.name) == 0;
            return found;
        });
        if (found) return module;
    }
    return nullptr;
}

[[noreturn]] void RaisePackageError(const hostabi::ResStringRec* message, char** args, int32_t count) {
    hostabi::VarRec rec[3] = {};
    for (int32_t i = 0; i < count; ++i) {
        rec[i].vAnsiString = args[i];
        rec[i].vType = hostabi::vartype::kAnsiString;
    }
    void* error = ExceptionCreateResFmt(ClassRef(emu_EPackageError_record), 1, message, count - 1, rec);
    for (int32_t i = 0; i < count; ++i) LStrClr(&args[i]);
    RaiseObject(error);
}

// A unit found twice: the package that contains it (its name, a long
// string), the unit, and the other registered package that contains it.
struct Duplicate {
    char* packageName = nullptr;
    const char* unit = nullptr;
    HMODULE owner = nullptr;
};

// Looks for a unit of the package, or of a package it requires, that is
// already contained in another registered package. The package's own unit,
// SysInit and weakly packaged units are passed over.
bool FindDuplicateUnit(HMODULE module, Duplicate& found) {
    const PackageInfoHeader* info = PackageInfoTable(module);
    if (!IsCheckedPackage(info)) return false;
    char* moduleName = nullptr;
    ModuleName(module, &moduleName);
    WalkPackageInfo(info, [&](const PackageEntry& e) {
        if (e.nameType == hostabi::kRequiresPackage) {
            char required[MAX_PATH];
            const int32_t n = TextLength(e.name);
            if (n + 5 > MAX_PATH) return false;
            CopyBytes(required, e.name, n);
            CopyBytes(required + n, ".bpl", 5);
            HMODULE requiredModule = GetModuleHandleA(required);
            return requiredModule && FindDuplicateUnit(requiredModule, found);
        }
        if (!IsCheckedUnit(e) || StrIComp(e.name, "SysInit") == 0 || StrIComp(e.name, moduleName ? moduleName : "") == 0)
            return false;
        if (HMODULE owner = FindUnitOwner(e, module)) {
            found.packageName = moduleName;
            moduleName = nullptr;
            found.unit = e.name;
            found.owner = owner;
            return true;
        }
        return false;
    });
    LStrClr(&moduleName);
    return found.unit != nullptr;
}

// The runtime's duplicate-unit check of a package about to be initialized.
void CheckForDuplicateUnits(HMODULE module) {
    Duplicate found;
    if (!FindDuplicateUnit(module, found)) return;
    char* args[3] = {found.packageName, nullptr, nullptr};
    LStrFromPChar(&args[1], found.unit);
    ModuleName(found.owner, &args[2]);
    RaisePackageError(&emu_Sysconst_SDuplicatePackageUnit, args, 3);
}

using PackageProc = void(HOSTCALL*)();

}  // namespace

const PackageInfoHeader* PackageInfoTable(HMODULE module) {
    HRSRC resource = module ? FindResourceA(module, "PACKAGEINFO", reinterpret_cast<LPCSTR>(RT_RCDATA)) : nullptr;
    HGLOBAL data = resource ? LoadResource(module, resource) : nullptr;
    return data ? static_cast<const PackageInfoHeader*>(LockResource(data)) : nullptr;
}

// Reports every entry of the module's table to infoProc, with its name
// type and unit flags; a module without a table is the runtime's error.
void HOSTCALL_STACK GetPackageInfo(HMODULE module, void* param, int32_t* flags, PackageInfoProc infoProc) {
    const PackageInfoHeader* info = PackageInfoTable(module);
    if (!info) {
        char* args[1] = {};
        ModuleName(module, &args[0], true);
        RaisePackageError(&emu_Sysconst_SCannotReadPackageInfo, args, 1);
    }
    *flags = static_cast<int32_t>(info->flags);
    WalkPackageInfo(info, [&](const PackageEntry& e) {
        char* text = nullptr;
        LStrFromPChar(&text, e.name);
        infoProc(text, e.nameType, e.flags, param);
        LStrClr(&text);
        return false;
    });
}

void HOSTCALL InitializePackage(HMODULE module) {
    CheckForDuplicateUnits(module);
    auto initialize = reinterpret_cast<PackageProc>(GetProcAddress(module, "Initialize"));
    if (!initialize) {
        char path[MAX_PATH];
        char* args[1] = {};
        LStrFromPCharLen(&args[0], path, static_cast<int32_t>(GetModuleFileNameA(module, path, sizeof path)));
        RaisePackageError(&emu_Sysconst_SInvalidPackageFile, args, 1);
    }
    initialize();
}

void HOSTCALL FinalizePackage(HMODULE module) {
    if (auto finalize = reinterpret_cast<PackageProc>(GetProcAddress(module, "Finalize"))) finalize();
}

}  // namespace emurtl

// The exported entry of InitializePackage, which LoadPackage calls.
extern "C" void HOSTCALL emu_Sysutils_InitializePackage(HMODULE m) __attribute__((noipa));

namespace emurtl {

// Loads through the runtime's own import of LoadLibraryA and initializes
// through InitializePackage's entry; a package that fails to initialize is
// released again before the error goes on.
HMODULE HOSTCALL LoadPackage(const char* name) {
    const UINT mode = SetErrorMode(SEM_NOOPENFILEERRORBOX | SEM_FAILCRITICALERRORS);
    HMODULE module = LoadLibraryA(name ? name : "");
    SetErrorMode(mode);
    if (!module) {
        const DWORD error = GetLastError();
        char* args[2] = {};
        LStrFromPChar(&args[0], name);
        char* text = nullptr;
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
        int32_t length = TextLength(text);
        while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' ')) --length;
        LStrFromPCharLen(&args[1], text, length);
        LocalFree(text);
        RaisePackageError(&emu_Sysconst_SErrorLoadingPackage, args, 2);
    }
    // A package whose initialization raises is unloaded again.
    bool initialized = false;
    hostframes::TryFinally(
        [&] {
            emu_Sysutils_InitializePackage(module);
            initialized = true;
        },
        [&] {
            if (!initialized) FreeLibrary(module);
        });
    return module;
}

void HOSTCALL UnloadPackage(HMODULE module) {
    FinalizePackage(module);
    FreeLibrary(module);
}

// The runtime package is a package itself, in the module list from its start.
LibModule gRuntimeModule;
void RegisterRuntimeModule(HMODULE self) {
    gRuntimeModule.instance = reinterpret_cast<uint32_t>(self);
    gRuntimeModule.codeInstance = gRuntimeModule.dataInstance = gRuntimeModule.resInstance = gRuntimeModule.instance;
    RegisterModule(&gRuntimeModule);
}

}  // namespace emurtl

extern "C" {
using namespace emurtl;
void HOSTCALL_STACK emu_Sysutils_GetPackageInfo(HMODULE m, void* param, int32_t* flags, PackageInfoProc proc)
    __asm__("_emu_Sysutils_GetPackageInfo");
void HOSTCALL_STACK emu_Sysutils_GetPackageInfo(HMODULE m, void* param, int32_t* flags, PackageInfoProc proc) {
    GetPackageInfo(m, param, flags, proc);
}
void HOSTCALL emu_Sysutils_InitializePackage(HMODULE m) { InitializePackage(m); }
HMODULE HOSTCALL emu_Sysutils_LoadPackage(const char* name) { return LoadPackage(name); }
void HOSTCALL emu_Sysutils_UnloadPackage(HMODULE m) { UnloadPackage(m); }
}
