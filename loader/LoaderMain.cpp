// ToravexLoader_Main: the unit whose initialization brings the plug-in
// library of this build into the IDE while the IDE loads its packages. It
// never calls into the library: all of the library's work happens while it
// loads.
#include <windows.h>

#include <cstring>

#include "PackageUnits.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

constexpr char kLibrary[] = TORAVEX_LOADER_LIBRARY;  // "Toravex10.dll"
constexpr char kLoadFailed[] = "Cannot load " TORAVEX_LOADER_LIBRARY;
constexpr char kCaption[] = "Toravex Loader";

// The unit's initialization runs once however often the package is
// initialized, and its finalization only after it.
int gInitCount = 0;

// The package's own folder (up to and including the last "\" or ":") followed
// by the library's file name. The library is looked for nowhere else.
bool LibraryBesidePackage(char (&path)[MAX_PATH + sizeof kLibrary]) {
    char own[MAX_PATH];
    DWORD length = GetModuleFileNameA(reinterpret_cast<HMODULE>(&__ImageBase), own, sizeof own);
    if (length == 0 || length >= sizeof own) return false;
    DWORD folder = length;
    while (folder > 0 && own[folder - 1] != '\\' && own[folder - 1] != ':') --folder;
    std::memcpy(path, own, folder);
    std::memcpy(path + folder, kLibrary, sizeof kLibrary);
    return true;
}

}  // namespace

extern "C" {

void HOSTCALL LoaderMainInitialization() {
    if (gInitCount++ != 0) return;
    char path[MAX_PATH + sizeof kLibrary];
    if (LibraryBesidePackage(path) && LoadLibraryA(path)) {
        // A second reference, never released: the library stays mapped for
        // the life of the process whatever happens to this package.
        LoadLibraryA(path);
        return;
    }
    MessageBoxA(nullptr, kLoadFailed, kCaption, MB_OK);
}

// The library is never released here.
void HOSTCALL LoaderMainFinalization() {
    if (gInitCount > 0) --gInitCount;
}

}
