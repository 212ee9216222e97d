#include "patching/ImportFilter.h"

#include "base/BuildProfile.h"

namespace toravex {

namespace {

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

bool SameTextAscii(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (FoldAscii(*a) != FoldAscii(*b)) return false;
    return *a == *b;
}

}  // namespace

bool PassesImportFilter(const char* libraryName) {
    if (!libraryName) return false;
    if (SameTextAscii(libraryName, "kernel32.dll") || SameTextAscii(libraryName, Profile().runtimePackage))
        return true;
    for (const char* name : kCRuntimeLibraryNames)
        if (SameTextAscii(libraryName, name)) return true;
    return false;
}

}  // namespace toravex
