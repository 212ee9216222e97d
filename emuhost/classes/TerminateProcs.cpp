// SysUtils' terminate procedures (asked in turn whether the application may
// end; the VCL's TApplication.Terminate asks them) and EAbort, the silent
// exception that Abort raises.
#include "ClassesUnit.h"

using TerminateProc = bool(HOSTCALL*)();

namespace {

constexpr int kMaxProcs = 16;
TerminateProc gProcs[kMaxProcs];
int gProcCount = 0;

const unsigned char kEAbort[] = "\x06" "EAbort";

}  // namespace

EMUHOST_EXPORT_CLASS(Sysutils_EAbort);

extern "C" {

emuhost::HostClass emu_Sysutils_EAbort_record;

void HOSTCALL emu_Sysutils_AddTerminateProc(TerminateProc proc) {
    if (gProcCount < kMaxProcs) gProcs[gProcCount++] = proc;
}

// True when every procedure agrees, asked in the order they were added; the
// first that refuses ends the asking.
bool HOSTCALL emu_Sysutils_CallTerminateProcs() {
    for (int i = 0; i < gProcCount; ++i)
        if (!gProcs[i]()) return false;
    return true;
}

void HOSTCALL emu_Sysutils_Abort() {
    char* text = nullptr;
    emurtl::LStrFromPChar(&text, "Operation aborted");
    void* error = emurtl::ExceptionCreate(emu_Sysutils_EAbort_record.Ref(), 1, text);
    emurtl::LStrClr(&text);
    emurtl::RaiseObject(error);
}

}  // extern "C"

void emuclasses::InitAbortClass() {
    emuhost::DefineHostClass(emu_Sysutils_EAbort_record, kEAbort, sizeof(hostabi::ExceptionObject),
                             emurtl::ClassRef(emurtl::emu_Exception_record), 0);
}
