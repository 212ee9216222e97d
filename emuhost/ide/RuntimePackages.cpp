#include "RuntimePackages.h"

#include <algorithm>

#include "HostCall.h"
#include "HostFrames.h"
#include "HostLayout.h"
#include "RuntimeImports.h"

namespace emuide {

namespace {

auto gLoadPackage = RUNTIME_IMPORT(Sysutils_LoadPackage, HMODULE(HOSTCALL*)(const char*));
auto gUnloadPackage = RUNTIME_IMPORT(Sysutils_UnloadPackage, void(HOSTCALL*)(HMODULE));
auto gLStrFromPChar = RUNTIME_IMPORT(System_LStrFromPChar, void(HOSTCALL*)(char**, const char*));
auto gLStrClr = RUNTIME_IMPORT(System_LStrClr, void*(HOSTCALL*)(char**));
auto gFree = RUNTIME_IMPORT(System_TObject_Free, void(HOSTCALL*)(void*));

}  // namespace

HMODULE LoadPackage(const std::string& name, std::string& error) {
    char* hostName = nullptr;
    gLStrFromPChar(&hostName, name.c_str());
    HMODULE module = nullptr;
    hostframes::CaughtException caught{};
    if (hostframes::TryExcept([&] { module = gLoadPackage(hostName); }, caught)) {
        void* exception = caught.object;
        const char* message = static_cast<const hostabi::ExceptionObject*>(exception)->message;
        error = message ? message : "";
        std::replace(error.begin(), error.end(), '\r', ' ');
        std::replace(error.begin(), error.end(), '\n', ' ');
        gFree(exception);
        module = nullptr;
    }
    gLStrClr(&hostName);
    return module;
}

void UnloadPackage(HMODULE module) { gUnloadPackage(module); }

}  // namespace emuide
