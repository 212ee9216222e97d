// The library's entry points: the load and unload notifications, where all of
// its work happens, and the two exports the IDE looks for.
#include <windows.h>

#include "startup/Main.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(toravex::OwnModule());
        toravex::ProcessAttach();
    } else if (reason == DLL_PROCESS_DETACH) {
        toravex::ProcessDetach();
    }
    return TRUE;
}

namespace {
// The IDE calls it before unloading its experts; there is nothing to stop.
void TerminateWizard() {}
}  // namespace

// The IDE's expert entry. Reads neither the services nor the registration
// routine, registers nothing: it only lets the IDE accept the library.
extern "C" BOOL WINAPI InitWizard0001(void* /*services*/, void* /*registerProc*/, void** terminate) {
    if (terminate) *terminate = reinterpret_cast<void*>(&TerminateWizard);
    return TRUE;
}

extern "C" void Dummy() {}
