#include "patching/ModuleImports.h"

#include "base/HostString.h"
#include "base/Lifecycle.h"
#include "base/StringHash.h"
#include "base/SystemPlatform.h"
#include "patching/ImportFilter.h"
#include "patching/ImportHooks.h"
#include "patching/ReplacementMap.h"

namespace toravex {

TStringIntegerHash* HookedModules = nullptr;
HMODULE SkippedSystemModules[5] = {};

namespace {

bool IsSkipped(HMODULE module) {
    if (module == OwnModule()) return true;
    for (HMODULE skipped : SkippedSystemModules)
        if (skipped && module == skipped) return true;
    return false;
}

}  // namespace

bool ChooseReplacement(const char* libraryName, void* address, void** replacement) {
    if (!address) return PassesImportFilter(libraryName);
    void* found = nullptr;
    if (!FindReplacement(address, found)) return false;
    *replacement = found;
    return true;
}

void HookModuleImports(const char* name, HMODULE handle) {
    if (!handle && name) handle = Platform().GetModule(name);
    if (!handle || IsSkipped(handle) || !HookedModules || !ImportHooks) return;
    const HostString key(name);
    const int32_t index = StringHash(key.Get());
    if (HookedModules->Exists(index, key.Get())) return;
    HookedModules->Add(index, key.Get(), 1);
    ImportHooks->HookModule(handle, &ChooseReplacement);
}

}  // namespace toravex
