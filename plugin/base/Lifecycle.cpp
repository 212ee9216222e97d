#include "base/Lifecycle.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace toravex {

HMODULE RuntimePackage = nullptr;
std::string HostDirectory;
std::atomic<bool> StartupPhase{true};
ShutdownHandler ShutdownChain = nullptr;

HMODULE OwnModule() { return reinterpret_cast<HMODULE>(&__ImageBase); }

ShutdownHandler InstallShutdownHandler(ShutdownHandler handler) {
    ShutdownHandler previous = ShutdownChain;
    ShutdownChain = handler;
    return previous;
}

}  // namespace toravex
