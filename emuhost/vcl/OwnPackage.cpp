// The VCL as a package of its own (vcl60.bpl ... vcl100.bpl): its units
// start when it is attached, after the runtime package it imports.
#include "Vcl.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) vcl::InitVclUnits();
    return TRUE;
}
