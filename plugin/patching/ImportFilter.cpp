#include "patching/ImportFilter.h"

#include "base/BuildProfile.h"
#include "base/Utils.h"

namespace toravex {

bool PassesImportFilter(const char* libraryName) {
    if (!libraryName) return false;
    if (SameTextAscii(libraryName, "kernel32.dll") || SameTextAscii(libraryName, Profile().runtimePackage))
        return true;
    for (const char* name : kCRuntimeLibraryNames)
        if (SameTextAscii(libraryName, name)) return true;
    return false;
}

}  // namespace toravex
