// Finding the host: its modules by file name and its routines by decorated
// export name, at run time. Nothing of the host is linked statically, so a
// missing module or export is a null result and the step that needs it does
// nothing.
#pragma once

#include <windows.h>

#include <cstdint>

#include "HostCall.h"
#include "HostNames.h"

namespace toravex {

// The module of that file name if it is loaded, else 0 (a module query of
// the platform).
HMODULE FindHostModule(const char* fileName);

// The address of an export of the host, or nil when the module is 0, the
// running build's host does not have it, or the module does not export it.
// Each name is asked for once per module and the answer kept: whoever asks
// again (a needs check, the replacement itself) gets the same answer.
void* FindHostExport(HMODULE module, const hostnames::HostName& name);

template <class Fn>
Fn FindHostRoutine(HMODULE module, const hostnames::HostName& name) {
    return reinterpret_cast<Fn>(FindHostExport(module, name));
}

// The loaded module of the running build that exports names of that kind
// (the runtime package as Runtime() bound it), 0 when it is not loaded.
HMODULE HostModuleOf(hostnames::Module module);

// An export looked up in the module that holds it.
void* FindHostExport(const hostnames::HostName& name);

// The host routines, data and services a replacement calls. Every row of a
// patch table names them, and the row is installed only when all were
// found: a host that lacks one keeps its own routine, instead of a
// replacement that would call a null address. Unused entries stay nil; a
// name of other builds only (one of a pair that differs per build) is not
// needed in this one.
struct HostNeeds {
    static constexpr int kMax = 16;
    const hostnames::HostName* names[kMax] = {};
};

// The first of needs that the host does not export, nil when all are there.
const hostnames::HostName* FirstMissing(const HostNeeds& needs);

// The runtime package's routines the plug-in itself calls. Bound on first use
// once the runtime package is loaded; every member is null until then or
// when the package lacks it.
struct HostRuntime {
    HMODULE module;
    void*(HOSTCALL* getMem)(int32_t size);
    int32_t(HOSTCALL* freeMem)(void* p);
    void*(HOSTCALL* reallocMem)(void** p, int32_t newSize);
    void*(HOSTCALL* lstrClr)(char** s);
    void(HOSTCALL* lstrAsg)(char** dest, const char* source);
    void(HOSTCALL* lstrFromPCharLen)(char** dest, const char* source, int32_t length);
    void(HOSTCALL* lstrSetLength)(char** s, int32_t length);
    const void* exceptionClass;  // class reference of SysUtils.Exception
    const int32_t* win32Platform;
};

const HostRuntime& Runtime();

// The host's platform family: 2 for the NT family (also when the runtime
// does not say), 1 for Windows 9x.
int32_t HostPlatform();

}  // namespace toravex
