#include "base/HostRuntime.h"

#include <atomic>

#include "base/BuildProfile.h"

namespace toravex {

HMODULE FindHostModule(const char* fileName) {
    return fileName && *fileName ? GetModuleHandleA(fileName) : nullptr;
}

void* FindHostExport(HMODULE module, const hostnames::HostName& name) {
    if (!module || !(name.builds & Profile().hostBuild)) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(module, name.decorated));
}

HMODULE HostModuleOf(hostnames::Module module) {
    switch (module) {
        case hostnames::Module::RTL: return FindHostModule(Profile().runtimePackage);
        case hostnames::Module::CORE: return FindHostModule(Profile().ideCorePackage);
        case hostnames::Module::DELPHICORE: return FindHostModule(Profile().compilerStartupModule);
        case hostnames::Module::DCC: return FindHostModule(Profile().delphiCompiler);
        case hostnames::Module::COMP32: return FindHostModule(Profile().cppCompiler);
    }
    return nullptr;
}

void* FindHostExport(const hostnames::HostName& name) { return FindHostExport(HostModuleOf(name.module), name); }

const hostnames::HostName* FirstMissing(const HostNeeds& needs) {
    // A name the running build's host does not have is not needed in it.
    for (const hostnames::HostName* name : needs.names)
        if (name && (name->builds & Profile().hostBuild) && !FindHostExport(*name)) return name;
    return nullptr;
}

namespace {
HostRuntime gRuntime;
std::atomic<bool> gBound{false};
}  // namespace

const HostRuntime& Runtime() {
    if (gBound.load(std::memory_order_acquire)) return gRuntime;
    HMODULE rtl = FindHostModule(Profile().runtimePackage);
    if (!rtl) return gRuntime;

    // Concurrent first calls bind the same values; `gBound` is published last.
    using namespace hostnames;
    HostRuntime r{};
    r.module = rtl;
    r.getMem = FindHostRoutine<decltype(r.getMem)>(rtl, System_GetMem);
    r.freeMem = FindHostRoutine<decltype(r.freeMem)>(rtl, System_FreeMem);
    r.reallocMem = FindHostRoutine<decltype(r.reallocMem)>(rtl, System_ReallocMem);
    r.lstrClr = FindHostRoutine<decltype(r.lstrClr)>(rtl, System_LStrClr);
    r.lstrAsg = FindHostRoutine<decltype(r.lstrAsg)>(rtl, System_LStrAsg);
    r.lstrFromPCharLen = FindHostRoutine<decltype(r.lstrFromPCharLen)>(rtl, System_LStrFromPCharLen);
    r.lstrSetLength = FindHostRoutine<decltype(r.lstrSetLength)>(rtl, System_LStrSetLength);
    r.exceptionClass = FindHostExport(rtl, Sysutils_Exception);
    r.win32Platform = static_cast<const int32_t*>(FindHostExport(rtl, Sysutils_Win32Platform));
    gRuntime = r;
    gBound.store(true, std::memory_order_release);
    return gRuntime;
}

int32_t HostPlatform() {
    const int32_t* platform = Runtime().win32Platform;
    return platform ? *platform : VER_PLATFORM_WIN32_NT;
}

}  // namespace toravex
