// The Delphi personality's core package (delphicoreide100.bpl,
// delphicoreide90.bpl): it holds the IDE's compiler start-up routine and its
// callback table (CompilerStartup.S) and registers with the runtime like
// every package.
#include <windows.h>

#include "RuntimeCalls.h"

namespace {

hostabi::LibModule gModule;

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        gModule.instance = gModule.codeInstance = gModule.dataInstance = gModule.resInstance =
            reinterpret_cast<uint32_t>(instance);
        rtl_System_RegisterModule(&gModule);
    } else if (reason == DLL_PROCESS_DETACH) {
        rtl_System_UnregisterModule(&gModule);
    }
    return TRUE;
}
