#include "base/HostRuntime.h"

#include <atomic>

#include "VclInterface.h"
#include "base/BuildProfile.h"
#include "base/SpinLock.h"
#include "base/SystemPlatform.h"

namespace toravex {

HMODULE FindHostModule(const char* fileName) {
    return fileName && *fileName ? Platform().GetModule(fileName) : nullptr;
}

namespace {

// Each export is asked for once per module: the answer, found or not, is
// kept, so that the check of a replacement's needs and the replacement's
// own look-up can never disagree (a look-up that failed once stays failed).
// Keyed by the name's record, of which the host name list has one each.
struct Answer {
    HMODULE module;
    const hostnames::HostName* name;
    void* address;
};
constexpr size_t kAnswers = 1024;  // well above the names of HostExports.inc
Answer gAnswers[kAnswers];
constinit SpinLock gAnswersLock;

size_t Slot(HMODULE module, const hostnames::HostName& name) {
    return ((reinterpret_cast<uintptr_t>(&name) >> 2) ^ (reinterpret_cast<uintptr_t>(module) >> 16)) % kAnswers;
}

// The kept answer, or false when the name was not asked for yet.
bool KeptAnswer(HMODULE module, const hostnames::HostName& name, void** address) {
    SpinLockGuard guard(gAnswersLock);
    for (size_t i = Slot(module, name), n = 0; n < kAnswers && gAnswers[i].name; i = (i + 1) % kAnswers, ++n) {
        if (gAnswers[i].name == &name && gAnswers[i].module == module) {
            *address = gAnswers[i].address;
            return true;
        }
    }
    return false;
}

// Keeps the answer unless another thread kept one first; returns the kept one.
void* KeepAnswer(HMODULE module, const hostnames::HostName& name, void* address) {
    SpinLockGuard guard(gAnswersLock);
    for (size_t i = Slot(module, name), n = 0; n < kAnswers; i = (i + 1) % kAnswers, ++n) {
        Answer& a = gAnswers[i];
        if (!a.name) {
            a = {module, &name, address};
            return address;
        }
        if (a.name == &name && a.module == module) return a.address;
    }
    return address;  // full: cannot happen with the names there are
}

}  // namespace

void* FindHostExport(HMODULE module, const hostnames::HostName& name) {
    if (!module || !(name.builds & Profile().hostBuild)) return nullptr;
    void* address;
    if (KeptAnswer(module, name, &address)) return address;
    return KeepAnswer(module, name, Platform().GetExport(module, name.decorated));
}

namespace {

// The IDE's packages stay loaded once they are: each is looked up until it
// is found, then kept, so that a hook whose needs were found keeps finding
// its routines however the later module queries go.
std::atomic<HMODULE> gVclModule{nullptr}, gServicesModule{nullptr}, gPaletteModule{nullptr};

HMODULE KeptModule(std::atomic<HMODULE>& kept, const char* fileName) {
    HMODULE module = kept.load(std::memory_order_acquire);
    if (module) return module;
    module = FindHostModule(fileName);
    if (module) kept.store(module, std::memory_order_release);
    return module;
}

}  // namespace

HMODULE HostModuleOf(hostnames::Module module) {
    const hostabi::VclLayout& vcl = hostabi::VclLayoutFor(Profile().packageVersion);
    switch (module) {
        case hostnames::Module::RTL: return Runtime().module;
        case hostnames::Module::CORE: return FindHostModule(Profile().ideCorePackage);
        case hostnames::Module::VCL: return KeptModule(gVclModule, vcl.vclPackage);
        case hostnames::Module::IDESERVICES: return KeptModule(gServicesModule, vcl.ideServicesPackage);
        case hostnames::Module::PALETTE: return KeptModule(gPaletteModule, vcl.palettePackage);
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
