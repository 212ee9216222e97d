// A module of the patch probe's loader tests (ProbeModule, built several
// times): it imports SameText from the runtime package, the marker routine
// of each of its dependencies (PROBE_DEPENDENCY_1, _2), and exports its own
// (PROBE_MARKER). Whether its SameText slot was re-pointed tells whether the
// patch set scanned it.
#include <windows.h>

#include "HostCall.h"

extern "C" __declspec(dllimport) bool HOSTCALL rtl_SameText(const char*, const char*) __asm__(
    "@Sysutils@SameText$qqrx17System@AnsiStringt1");
#ifdef PROBE_DEPENDENCY_1
extern "C" __declspec(dllimport) int PROBE_DEPENDENCY_1();
#endif
#ifdef PROBE_DEPENDENCY_2
extern "C" __declspec(dllimport) int PROBE_DEPENDENCY_2();
#endif

extern "C" __declspec(dllexport) int PROBE_MARKER() {
    int n = rtl_SameText(nullptr, nullptr) ? 1 : 0;
#ifdef PROBE_DEPENDENCY_1
    n += PROBE_DEPENDENCY_1();
#endif
#ifdef PROBE_DEPENDENCY_2
    n += PROBE_DEPENDENCY_2();
#endif
    return n;
}
