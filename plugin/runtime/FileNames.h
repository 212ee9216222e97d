// Single-byte replacements of the host's file-name and file-system routines
// (installed only outside Far-East locales). Each has the host routine's
// register convention: the string arguments, then the result variable.
#pragma once

#include <cstdint>

#include "HostCall.h"

namespace toravex {

void HOSTCALL IncludeTrailingPathDelimiterFast(const char* s, char** result);
void HOSTCALL ExcludeTrailingPathDelimiterFast(const char* s, char** result);
void HOSTCALL ExtractFilePathFast(const char* s, char** result);
void HOSTCALL ExtractFileDirFast(const char* s, char** result);
void HOSTCALL ExtractFileNameFast(const char* s, char** result);
void HOSTCALL ExtractFileExtFast(const char* s, char** result);
void HOSTCALL ChangeFileExtFast(const char* s, const char* extension, char** result);

// True for an existing file; false for a directory, a missing file and "".
bool HOSTCALL FileExistsFast(const char* fileName);

}  // namespace toravex
