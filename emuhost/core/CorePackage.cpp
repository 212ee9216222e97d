// The emulated IDE core package (coreide100.bpl ... coride50.bpl): the IDE
// executable imports it statically, as the host's executable imports its
// core package, so it is among the modules loaded before any expert. It
// registers with the runtime like every package, imports every runtime
// routine through import thunks of the host linker's shape (Thunks.cmake),
// and loads libraries through its own imports of LoadLibraryA and
// LoadLibraryExW, as the IDE's package manager does. Its package manager's
// classes are in DesignPackages.cpp.
#include <windows.h>

#include "RuntimeCalls.h"

namespace {

hostabi::LibModule gModule;

}  // namespace

void DefineDesignPackageClasses();

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        gModule.instance = gModule.codeInstance = gModule.dataInstance = gModule.resInstance =
            reinterpret_cast<uint32_t>(instance);
        rtl_System_RegisterModule(&gModule);
        DefineDesignPackageClasses();
    } else if (reason == DLL_PROCESS_DETACH) {
        rtl_System_UnregisterModule(&gModule);
    }
    return TRUE;
}

extern "C" {
HMODULE CoreLoadLibraryA(const char* fileName) { return LoadLibraryA(fileName); }
HMODULE CoreLoadLibraryExW(const wchar_t* fileName, HANDLE file, DWORD flags) {
    return LoadLibraryExW(fileName, file, flags);
}
}
