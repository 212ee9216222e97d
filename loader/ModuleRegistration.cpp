// The package's process-attach and process-detach notifications. Like every
// module built with the host, the package enters its module record into the
// runtime's module list, with its language resource module when the user's
// language has one, and takes it out again. It does nothing else there: the
// loading happens in the unit initializations ("Initialize").
#include <windows.h>

#include "HostCall.h"
#include "HostLayout.h"
#include "HostNames.h"
#include "RuntimeImports.h"

namespace {

using ModuleProc = void(HOSTCALL*)(hostabi::LibModule*);
// Both spellings the runtime packages use; the shorter one takes no second
// argument and ignores it in its register.
using LoadResourceModuleProc = uint32_t(HOSTCALL*)(const char* moduleName, int8_t checkOwner);

hostabi::LibModule gModule;
bool gRegistered = false;

// The runtime's language resource module for this package, or 0. Looked up by
// name: a runtime without it leaves the package with its own resources.
uint32_t LoadLanguageResources(HINSTANCE instance) {
    HMODULE runtime = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&rtlimp_System_RegisterModule), &runtime))
        return 0;
    FARPROC proc = GetProcAddress(runtime, hostnames::System_LoadResourceModule.decorated);
    if (!proc) proc = GetProcAddress(runtime, hostnames::System_LoadResourceModule50.decorated);
    char fileName[MAX_PATH];
    DWORD length = GetModuleFileNameA(instance, fileName, sizeof fileName);
    if (!proc || length == 0 || length >= sizeof fileName) return 0;
    return reinterpret_cast<LoadResourceModuleProc>(proc)(fileName, 1);
}

void RegisterPackageModule(HINSTANCE instance) {
    gModule = {};
    gModule.instance = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(instance));
    gModule.resInstance = LoadLanguageResources(instance);
    if (gModule.resInstance == 0) gModule.resInstance = gModule.instance;
    RUNTIME_IMPORT(System_RegisterModule, ModuleProc)(&gModule);
    gRegistered = true;
}

void UnregisterPackageModule() {
    if (!gRegistered) return;
    gRegistered = false;
    RUNTIME_IMPORT(System_UnregisterModule, ModuleProc)(&gModule);
    if (gModule.resInstance != gModule.instance)
        FreeLibrary(reinterpret_cast<HMODULE>(static_cast<uintptr_t>(gModule.resInstance)));
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        RegisterPackageModule(instance);
    else if (reason == DLL_PROCESS_DETACH)
        UnregisterPackageModule();
    return TRUE;
}
