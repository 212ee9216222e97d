#include "ide/HostedCompiler.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "CompilerCallbacks.h"
#include "HostCall.h"
#include "HostNames.h"
#include "RuntimeImports.h"
#include "compiler/CompilerInterface.h"
#include "compiler/CompilerState.h"

// The compiler libraries, imported statically as the host's executable
// imports them.
extern "C" {
__declspec(dllimport) void __stdcall ImportedDccInitialize(const void* callbacks) __asm__("DccInitialize");
__declspec(dllimport) int __stdcall ImportedDccCompile(const char* project, emucompiler::CompileResult* result)
    __asm__("DccCompile");
__declspec(dllimport) uint32_t __stdcall ImportedCppCompile(uint32_t seed) __asm__("COMPILE");
}

namespace emuide {

namespace {

constexpr UINT kCompileDelayMs = 500;

using CompilerEntry = void(__stdcall*)(const void* callbacks);
using CompilerStartup = void(HOSTCALL*)(CompilerEntry entry);

// The build's compiler start-up routine (hostabi/HostExports.inc).
CompilerStartup StartupRoutine() {
#if EMUHOST_BUILD == 100
    return RUNTIME_IMPORT(Pascppcominout_PascalWin32CompilerInit, CompilerStartup);
#elif EMUHOST_BUILD == 90
    return RUNTIME_IMPORT(Pascppcominout_PascalCompilerInit, CompilerStartup);
#else
    return RUNTIME_IMPORT(Cominout_PascalCompilerInit, CompilerStartup);
#endif
}

// The table the start-up routine hands over (the operand its code holds).
const uint8_t* CallbackTable() {
    const auto* code = reinterpret_cast<const uint8_t*>(StartupRoutine());
    const uint8_t* table;
    std::memcpy(&table, code + hostabi::CallbackTableOperandOffset(EMUHOST_BUILD), 4);
    return table;
}

// The project of -compile:<project>; empty without the switch.
std::string CompileProject() {
    for (int i = 1; i < __argc; ++i)
        if (_strnicmp(__argv[i], "-compile:", 9) == 0) return __argv[i] + 9;
    return "";
}

LogFunction gLog = nullptr;
std::string gProject;

void CALLBACK CompileTimerProc(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    emucompiler::CompileResult r{};
    const bool compiled = ImportedDccCompile(gProject.c_str(), &r);
    QueryPerformanceCounter(&end);
    if (!compiled) {
        gLog("compile %s failed", gProject.c_str());
        return;
    }
    const double ms = 1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) / static_cast<double>(frequency.QuadPart);
    gLog("compile %s units=%u lookups=%u found=%u readonly=%u checksum=%08X ms=%.0f", gProject.c_str(), r.units,
         r.lookups, r.found, r.readonly, r.checksum, ms);
    gLog("cpp-compile checksum=%08X", ImportedCppCompile(r.units));
}

}  // namespace

void StartHostedCompiler(LogFunction log) {
    gLog = log;
    StartupRoutine()(&ImportedDccInitialize);
    gProject = CompileProject();
    if (!gProject.empty()) SetTimer(nullptr, 0, kCompileDelayMs, &CompileTimerProc);
}

void LogCompilerStateAtStart(LogFunction log) {
    if (CompileProject().empty()) return;
    char core[32], line[128];
    emucompiler::CorePackageName(core, sizeof core, EMUHOST_BUILD);
    const auto* isReadonly = reinterpret_cast<const uint8_t*>(
        GetProcAddress(GetModuleHandleA(core), hostnames::Virtfile_TDefaultFileSystem_IsReadonly.decorated));
    emucompiler::FormatCompilerState(line, sizeof line, "start", CallbackTable(), isReadonly);
    log("%s", line);
}

}  // namespace emuide
