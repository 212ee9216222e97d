// An emulated design package: registers itself with the runtime when it is
// mapped, and does its share of the IDE's start-up work when the runtime's
// package loading calls its "Initialize".
#include <windows.h>

#include "RuntimeCalls.h"
#include "Workload.h"

namespace {

hostabi::LibModule gModule;
uint32_t gResult = 0;
int32_t gInitCount = 0;
char gPath[MAX_PATH];

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        gModule.instance = gModule.codeInstance = gModule.dataInstance = gModule.resInstance =
            reinterpret_cast<uint32_t>(instance);
        GetModuleFileNameA(instance, gPath, sizeof gPath);
        rtl_System_RegisterModule(&gModule);
    } else if (reason == DLL_PROCESS_DETACH) {
        rtl_System_UnregisterModule(&gModule);
    }
    return TRUE;
}

extern "C" {
// The package's unit initializations and finalizations, counted as the
// host's units count them: a package loaded twice initializes once and
// finalizes when its last load is released.
void HOSTCALL Initialize() {
    if (gInitCount++ == 0) gResult = design::RunStartupWork(gPath, EMUHOST_BUILD);
}
void HOSTCALL Finalize() {
    if (gInitCount > 0 && --gInitCount == 0) design::ReleaseStartupWork();
}
// The checksum of the start-up work, for the IDE's report.
uint32_t WorkloadResult() { return gResult; }
}
