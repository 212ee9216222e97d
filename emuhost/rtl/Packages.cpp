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

// Walks a package information table: `Unit(name, nameType, flags)` for each
// required package (type 1) and then each contained unit (type 0).
template <class Visit>
void WalkPackageInfo(const PackageInfoHeader* info, Visit&& visit) {
    auto* p = reinterpret_cast<const char*>(info + 1);
    for (int32_t i = 0; i < info->requiresCount; ++i) {
        visit(p + 1, hostabi::kRequiresPackage, uint8_t(0));  // hash byte, name
        p += 1 + TextLength(p + 1) + 1;
    }
    int32_t contains;
    CopyBytes(&contains, p, 4);
    p += 4;
    for (int32_t i = 0; i < contains; ++i) {
        visit(p + 2, hostabi::kContainsUnit, static_cast<uint8_t>(p[0]));  // flags, hash byte, name
        p += 2 + TextLength(p + 2) + 1;
    }
}

bool IsPackage(const PackageInfoHeader* info) {
    return info && (info->flags & hostabi::kModuleTypeMask) == hostabi::kPackageModule;
}

// The module's file name without directory and extension.
void ModuleName(HMODULE module, char** result) {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(module, path, sizeof path);
    int32_t start = 0, end = static_cast<int32_t>(n);
    for (int32_t i = 0; i < static_cast<int32_t>(n); ++i)
        if (path[i] == '\\' || path[i] == ':' || path[i] == '/') start = i + 1;
    for (int32_t i = static_cast<int32_t>(n) - 1; i >= start; --i)
        if (path[i] == '.') {
            end = i;
            break;
        }
    LStrFromPCharLen(result, path + start, end - start);
}

// The registered package, other than `self`, that contains unit `name`.
HMODULE FindUnitOwner(const char* name, HMODULE self) {
    for (LibModule* m = emu_System_LibModuleList; m; m = m->next) {
        HMODULE module = reinterpret_cast<HMODULE>(m->instance);
        if (module == self) continue;
        const PackageInfoHeader* info = PackageInfoTable(module);
        if (!IsPackage(info)) continue;
        bool found = false;
        WalkPackageInfo(info, [&](const char* unit, uint8_t type, uint8_t flags) {
            if (type == hostabi::kContainsUnit && !(flags & hostabi::kWeakPackageUnit) && StrIComp(unit, name) == 0)
                found = true;
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

// Raises EPackageError when a unit of the package is already contained in
// another registered package (weak units and SysInit excepted).
void CheckForDuplicateUnits(HMODULE module) {
    const PackageInfoHeader* info = PackageInfoTable(module);
    if (!IsPackage(info) || (info->flags & hostabi::kIgnoreDupUnits)) return;
    const char* duplicate = nullptr;
    HMODULE owner = nullptr;
    WalkPackageInfo(info, [&](const char* unit, uint8_t type, uint8_t flags) {
        if (duplicate || type != hostabi::kContainsUnit || (flags & hostabi::kWeakPackageUnit) ||
            StrIComp(unit, "SysInit") == 0)
            return;
        if ((owner = FindUnitOwner(unit, module))) duplicate = unit;
    });
    if (!duplicate) return;
    char* args[3] = {};
    ModuleName(module, &args[0]);
    LStrFromPChar(&args[1], duplicate);
    ModuleName(owner, &args[2]);
    RaisePackageError(&emu_Sysconst_SDuplicatePackageUnit, args, 3);
}

using PackageProc = void(HOSTCALL*)();

}  // namespace

const PackageInfoHeader* PackageInfoTable(HMODULE module) {
    HRSRC resource = module ? FindResourceA(module, "PACKAGEINFO", reinterpret_cast<LPCSTR>(RT_RCDATA)) : nullptr;
    HGLOBAL data = resource ? LoadResource(module, resource) : nullptr;
    return data ? static_cast<const PackageInfoHeader*>(LockResource(data)) : nullptr;
}

void HOSTCALL_STACK GetPackageInfo(HMODULE module, void* param, int32_t* flags, PackageInfoProc infoProc) {
    const PackageInfoHeader* info = PackageInfoTable(module);
    if (!info) {
        char* args[1] = {};
        ModuleName(module, &args[0]);
        RaisePackageError(&emu_Sysconst_SCannotReadPackageInfo, args, 1);
    }
    *flags = static_cast<int32_t>(info->flags);
    WalkPackageInfo(info, [&](const char* name, uint8_t type, uint8_t unitFlags) {
        char* text = nullptr;
        LStrFromPChar(&text, name);
        infoProc(text, type, unitFlags, param);
        LStrClr(&text);
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

// Loads through the runtime's own import of LoadLibraryA; a package that
// fails to initialize is released again before the error goes on.
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
            InitializePackage(module);
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
