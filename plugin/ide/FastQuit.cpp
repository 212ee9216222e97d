#include "ide/FastQuit.h"

#include <windows.h>


#include "base/FormatText.h"
#include "base/HostException.h"
#include "base/Lifecycle.h"
#include "base/UserMessages.h"

namespace toravex {

std::atomic<bool> ShutdownFlag{false};

void ShutdownRunner() {
    ShutdownFlag = true;
    if (!ShutdownChain) return;
    host::CaughtException caught{};
    if (!host::TryExcept([] { ShutdownChain(); }, caught, host::HostExceptionObject)) return;

    char className[256];
    host::ClassNameOf(caught.object, className, sizeof className);
    char caption[300];
    FormatText(caption, sizeof caption, "Toravex - %s", className);
    const char* message = host::MessageOf(caught.object);
    ShowMessageBox(message ? message : "", caption, MB_ICONERROR);
    host::FreeHostObject(caught.object);
}

void InstallFormCloseHook() {}
void RemoveFormCloseHook() {}

}  // namespace toravex
