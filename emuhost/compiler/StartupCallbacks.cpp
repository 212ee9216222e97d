// The callbacks of the compiler start-up routine's table (CompilerStartup.S),
// and the table's state logged when the process ends.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "CompilerInterface.h"
#include "CompilerState.h"
#include "HostNames.h"

// The IDE core package's file look-up (core/FileSystem.cpp).
extern "C" int32_t CoreLookUpFile(emucompiler::FileLookup* lookup);

extern "C" const uint8_t CompilerCallbacks[];

// Entry 8: one file, looked up by the IDE's file system.
extern "C" int32_t __stdcall FileLookupCallback(emucompiler::FileLookup* lookup) { return CoreLookUpFile(lookup); }

// The entries the compiler does not call.
extern "C" int32_t __stdcall UnusedCallback(uint32_t) { return 0; }

namespace {

// With -compile and -log on the IDE's command line: at the end of the
// process, when every expert loaded later has been told already, appends
// "compiler-state exit ..." to the log (ide/HostedCompiler.h).
struct StateAtExit {
    ~StateAtExit() {
        const char* log = nullptr;
        bool compiles = false;
        for (int i = 1; i < __argc; ++i) {
            if (_strnicmp(__argv[i], "-log:", 5) == 0) log = __argv[i] + 5;
            if (_strnicmp(__argv[i], "-compile:", 9) == 0) compiles = true;
        }
        if (!log || !compiles) return;
        char core[32], line[128];
        emucompiler::CorePackageName(core, sizeof core, EMUHOST_BUILD);
        const auto* isReadonly = reinterpret_cast<const uint8_t*>(
            GetProcAddress(GetModuleHandleA(core), hostnames::Virtfile_TDefaultFileSystem_IsReadonly.decorated));
        emucompiler::FormatCompilerState(line, sizeof line, "exit", CompilerCallbacks, isReadonly);
        if (FILE* f = std::fopen(log, "a")) {
            std::fprintf(f, "%s\n", line);
            std::fclose(f);
        }
    }
} gStateAtExit;

}  // namespace
