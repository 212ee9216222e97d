#include "base/HostRuntime.h"

#include "base/BuildProfile.h"

namespace toravex {

HMODULE FindHostModule(const char* fileName) {
    return fileName && *fileName ? GetModuleHandleA(fileName) : nullptr;
}

void* FindHostExport(HMODULE module, const hostnames::HostName& name) {
    if (!module || !(name.builds & Profile().hostBuild)) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(module, name.decorated));
}

namespace {
HostRuntime gRuntime;
volatile LONG gBound = 0;
}  // namespace

const HostRuntime& Runtime() {
    if (gBound) return gRuntime;
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
    InterlockedExchange(&gBound, 1);
    return gRuntime;
}

int32_t HostPlatform() {
    const int32_t* platform = Runtime().win32Platform;
    return platform ? *platform : VER_PLATFORM_WIN32_NT;
}

}  // namespace toravex
