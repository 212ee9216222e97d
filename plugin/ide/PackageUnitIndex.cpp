#include "ide/PackageUnitIndex.h"

#include "base/BucketList.h"
#include "base/BuildProfile.h"
#include "base/HostException.h"
#include "base/HostRuntime.h"
#include "base/HostString.h"
#include "base/HostStringList.h"
#include "base/StringHash.h"
#include "base/SystemPlatform.h"
#include "base/Utils.h"
#include "ide/FastQuit.h"
#include "ide/PackageError.h"
#include "ide/PackageImportResolver.h"
#include "patching/ImportedLibraries.h"
#include "runtime/LoaderHooks.h"

namespace toravex {

TStringIntegerHash* UnitIndex = nullptr;
TModuleBucketList* IndexedModules = nullptr;
bool (*ApplicationTerminated)() = nullptr;

namespace {

using GetPackageInfoRoutine = void(HOSTCALL_STACK*)(HMODULE module, void* param, int32_t* flags,
                                                    decltype(&IndexUnit) infoProc);

bool Terminating() { return ApplicationTerminated && ApplicationTerminated(); }

bool IsPackage(const hostabi::PackageInfoHeader* info) {
    return (info->flags & hostabi::kModuleTypeMask) == hostabi::kPackageModule;
}

// The module's full file name as a host string.
HostString ModuleFileName(HMODULE module) {
    char path[MAX_PATH];
    const DWORD length = Platform().GetModuleFile(module, path, sizeof path);
    return length > 0 && length < sizeof path ? HostString(path, static_cast<int32_t>(length)) : HostString();
}

// A file name without its folder and its extension.
HostString NameWithoutFolderAndExtension(const char* fileName) {
    const char* name = FileNamePart(fileName ? fileName : "");
    return HostString(name, static_cast<int32_t>(FileExtPart(name) - name));
}

// The packages the IDE executable imports (directly or delay-loaded): they
// join the index the first time any package is indexed; later calls stop at
// once for each of them.
void IndexExecutablePackages() {
    const HMODULE executable = Platform().GetModule(nullptr);
    HostStringList* names = executable ? ImportedLibraryNames(executable) : nullptr;
    if (!names) return;
    host::TryFinally(
        [&] {
            for (int32_t i = 0; i < names->Count(); ++i) {
                const char* name = (*names)[i].CStr();
                if (!SameTextAscii(FileExtPart(name), ".bpl")) continue;
                HMODULE package = Platform().GetModule(name);
                if (!package) continue;
                HostString fileName = ModuleFileName(package);
                // Released before a raise could skip its destructor.
                host::TryFinally([&] { IndexPackage(package, fileName.Get(), FindPackageInfo(package)); },
                                 [&] { fileName.Clear(); });
            }
        },
        [&] { delete names; });
}

}  // namespace

const hostabi::PackageInfoHeader* FindPackageInfo(HMODULE module) {
    HRSRC resource = module ? FindResourceA(module, "PACKAGEINFO", MAKEINTRESOURCEA(10) /* RT_RCDATA */) : nullptr;
    HGLOBAL data = resource ? LoadResource(module, resource) : nullptr;
    return data ? static_cast<const hostabi::PackageInfoHeader*>(LockResource(data)) : nullptr;
}

void IndexPackage(HMODULE module, const char* fileName, const hostabi::PackageInfoHeader* info) {
    if (!UnitIndex || !IndexedModules || IndexedModules->Exists(module) || Terminating()) return;
    // From here on the module is never examined again, whatever follows.
    IndexedModules->Add(module, reinterpret_cast<void*>(1));
    if (Profile().indexFeedsSplashProgress) PackageProgressStep(fileName);
    if (!info || !IsPackage(info) || (info->flags & hostabi::kIgnoreDupUnits)) return;

    const auto getPackageInfo = reinterpret_cast<GetPackageInfoRoutine>(FindHostExport(hostnames::Sysutils_GetPackageInfo));
    if (!getPackageInfo) return;
    HostString moduleName = NameWithoutFolderAndExtension(fileName);
    TCheckUnitData data{module, moduleName.Get()};
    int32_t flags = 0;
    host::TryFinally([&] { getPackageInfo(module, &data, &flags, &IndexUnit); }, [&] { moduleName.Clear(); });
    IndexExecutablePackages();
}

void HOSTCALL_STACK IndexUnit(const char* name, uint8_t nameType, uint8_t flags, TCheckUnitData* data) {
    if (nameType != hostabi::kContainsUnit || flags != 0) return;
    const char* unit = name ? name : "";
    if (SameTextAscii(unit, "SysInit") || SameTextAscii(unit, data->ModuleName ? data->ModuleName : "")) return;
    const int32_t index = StringHash(name);
    int32_t owner = 0;
    if (!UnitIndex->Find(index, name, owner)) {
        UnitIndex->Add(index, name, static_cast<int32_t>(reinterpret_cast<intptr_t>(data->Module)));
        return;
    }
    HMODULE other = reinterpret_cast<HMODULE>(static_cast<intptr_t>(owner));
    if (other == data->Module) return;
    char otherFile[MAX_PATH];
    const DWORD length = Platform().GetModuleFile(other, otherFile, sizeof otherFile);
    otherFile[length < sizeof otherFile ? length : 0] = 0;
    RaisePackageError(hostnames::Sysconst_SDuplicatePackageUnit, {data->ModuleName, unit, otherFile});
}

void PruneUnloadedPackages(HMODULE module) {
    if (ShutdownFlag || Terminating() || !IndexedModules || !UnitIndex || !IndexedModules->Exists(module) ||
        Platform().GetExport(module, "Initialize"))
        return;
    // Releasing one package can unload the packages only it required: every
    // indexed module that is gone leaves, not only the one released.
    TModuleBucketList gone(3);
    IndexedModules->ForEach(
        [](void* info, void* item, void*, bool& continueWalk) {
            auto* list = static_cast<TModuleBucketList*>(info);
            if (!list->Exists(item) && !Platform().GetExport(static_cast<HMODULE>(item), "Initialize")) list->Add(item, item);
            continueWalk = true;
        },
        &gone);
    gone.ForEach(
        [](void*, void* item, void*, bool& continueWalk) {
            UnitIndex->RemoveValue(static_cast<int32_t>(reinterpret_cast<intptr_t>(item)));
            IndexedModules->Remove(item);
            continueWalk = true;
        },
        nullptr);
}

void StorePackageUnloadNotification() { PackageUnloadNotification = &PruneUnloadedPackages; }
void ClearPackageUnloadNotification() { PackageUnloadNotification = nullptr; }

}  // namespace toravex
