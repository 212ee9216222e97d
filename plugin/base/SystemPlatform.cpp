#include "base/SystemPlatform.h"

#include "base/Win32Platform.h"

namespace toravex {

namespace {
// Constant-initialised (its only member is the vtable pointer), so the
// platform is usable before any constructor of the library ran.
constinit Win32Platform gWin32;
SystemPlatform* gCurrent = &gWin32;
}  // namespace

SystemPlatform& Platform() { return *gCurrent; }

SystemPlatform* SetPlatform(SystemPlatform* platform) {
    SystemPlatform* previous = gCurrent;
    gCurrent = platform ? platform : &gWin32;
    return previous;
}

}  // namespace toravex
