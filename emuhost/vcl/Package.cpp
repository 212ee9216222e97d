// The VCL package's units in the order the package initializes them, and
// the emulated IDE's hooks into it: where its log lines go.
#include <cstdarg>
#include <cstdio>

#include "Vcl.h"

namespace vcl {

namespace {
void (*gLog)(const char* line) = nullptr;
}  // namespace

void Log(const char* format, ...) {
    if (!gLog) return;
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    gLog(line);
}

void InitVclUnits() {
    InitGraphicsUnit();
    InitControlsUnit();
    InitMenusUnit();
    InitActionsUnit();
    InitStdCtrlsUnit();
    InitExtCtrlsUnit();
    InitComCtrlsUnit();
    InitFormsUnit();
}

}  // namespace vcl

// The emulated IDE's seam: a routine that writes one line to its log.
extern "C" void EmuVclSetLog(void (*log)(const char* line)) { vcl::gLog = log; }
