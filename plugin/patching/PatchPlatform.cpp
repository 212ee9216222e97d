#include "patching/PatchPlatform.h"

#include "patching/Win32PatchPlatform.h"

namespace toravex {

namespace {
// Constant-initialised (its only member is the vtable pointer), so the
// platform is usable before any constructor of the library ran.
constinit Win32PatchPlatform gWin32;
PatchPlatform* gCurrent = &gWin32;
}  // namespace

PatchPlatform& Platform() { return *gCurrent; }

PatchPlatform* SetPlatform(PatchPlatform* platform) {
    PatchPlatform* previous = gCurrent;
    gCurrent = platform ? platform : &gWin32;
    return previous;
}

}  // namespace toravex
