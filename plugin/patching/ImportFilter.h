// Which imported libraries a module scan looks into: kernel32, the host's
// runtime package and the C runtime libraries. Every other library's slots
// are left alone without being looked at.
#pragma once

namespace toravex {

// The C runtime libraries whose routines are replaced, in their order.
inline constexpr const char* kCRuntimeLibraryNames[4] = {"msvcrt.dll", "MSVCR70.dll", "MSVCR71.dll", "MSVCR80.dll"};

// Whether libraryName is one of the filtered names, ignoring ASCII case.
bool PassesImportFilter(const char* libraryName);

}  // namespace toravex
