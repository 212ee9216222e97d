// Classes.FindGlobalComponent: a component found by name among those that
// units registered as global (the VCL registers its forms). Builds 60 and
// later keep a list of look-up routines (RegisterFindGlobalComponentProc);
// build 50 has one routine variable, FindGlobalComponent itself.
#include "ClassesUnit.h"

using FindGlobalComponentProc = void*(HOSTCALL*)(const char* name);

extern "C" {

FindGlobalComponentProc emu_Classes_FindGlobalComponent50 = nullptr;

}

namespace {

constexpr int kMaxProcs = 8;
FindGlobalComponentProc gProcs[kMaxProcs];
int gProcCount = 0;

}  // namespace

extern "C" {

void HOSTCALL emu_Classes_RegisterFindGlobalComponentProc(FindGlobalComponentProc proc) {
    if (gProcCount < kMaxProcs) gProcs[gProcCount++] = proc;
}

void* HOSTCALL emu_Classes_FindGlobalComponent(const char* name) {
    for (int i = 0; i < gProcCount; ++i)
        if (void* found = gProcs[i](name)) return found;
    return nullptr;
}

}  // extern "C"
