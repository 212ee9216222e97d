#include "ide/VCLHooks.h"

#include "VclInterface.h"
#include "base/HostRuntime.h"
#include "base/HostString.h"
#include "ide/StartupWatch.h"
#include "ide/VersionText.h"

namespace toravex {

namespace {

// When the IDE has its services object and a splash-screen service: the
// service's seventh operation shows the text.
void ShowVersionOnSplash() {
    auto* services = static_cast<void**>(FindHostExport(hostnames::Toolsapi_BorlandIDEServices));
    auto* splash = static_cast<void**>(FindHostExport(hostnames::Toolsapi_SplashScreenServices));
    if (!services || !*services || !splash || !*splash) return;
    void* intf = *splash;
    using Show = void(HOSTCALL*)(void*, const char*);
    const HostString text(kVersionText);
    (*static_cast<Show* const*>(intf))[hostabi::slots::kSplashStatusMessage - 1](intf, text.Get());
}

}  // namespace

void StartStartupWatch() {
    ShowVersionOnSplash();
    StartWatchTimer();
}

void StopStartupWatch() { StopWatchTimer(); }

}  // namespace toravex
