// The runtime package's own entry points.
#include <windows.h>

#include "EmuRuntime.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        emurtl::ModuleInstance = reinterpret_cast<uint32_t>(instance);
        emurtl::InitSysLocale();
        emurtl::InitModuleUnloadProcs();
        emurtl::InitObjectClasses();
        emurtl::InitExceptionClasses();
        emurtl::InitRuntimeErrorClasses();
        emurtl::InitOSErrorClass();
        emurtl::InitInterfacedClasses();
        emurtl::InitListClasses();
        emurtl::InitInterfaceListClass();
        emurtl::InitLaterUnits();
        emurtl::RegisterRuntimeModule(instance);
    }
    return TRUE;
}

// Package load and unload: the runtime's units need no further set-up.
extern "C" void HOSTCALL emu_Package_Initialize() {}
extern "C" void HOSTCALL emu_Package_Finalize() {}
