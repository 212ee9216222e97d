// Hash containers and small utilities shared by the IDE hooks and the
// patching code.
//
// Arguments named as strings are host long-string values (nil for empty,
// length stored before the first character); results are HostStrings.
#pragma once

#include <windows.h>

#include <cstdint>

#include "base/BucketList.h"
#include "base/HostString.h"
#include "base/HostStringList.h"
#include "base/StringHash.h"

namespace toravex {

// Creates the file-age cache and keeps the program's directory.
void PrepareUtils();
// Frees what PrepareUtils made.
void TeardownUtils();

// The directory of the running program's file, as ExtractFileDir gives it;
// kept from PrepareUtils to TeardownUtils.
extern HostString ProgramDirectory;

// The last-write time of a file as a packed local DOS date (upper 16 bits)
// and time (lower 16 bits); -1 for a missing file, a directory or a time
// that does not convert. Any zero-terminated name will do.
int32_t FileAgeOf(const char* fileName);
// FileAgeOf through a process-wide cache keyed by the exact name: the first
// value seen for a name (also -1) is returned until the cache is cleared.
// -1 for a nil name. Safe to call from several threads.
int32_t CachedFileAge(const char* fileName);
void ClearFileAgeCache();

// Path without one trailing "\" or "/"; a drive root keeps its backslash.
HostString TrimPathDelimiter(const char* path);
// Whether s begins with prefix, ignoring case; false for an empty prefix or
// one longer than s.
bool StartsText(const char* prefix, const char* s);
// Whether two zero-terminated texts are equal ignoring ASCII case (library
// and file names, where no locale may take part).
bool SameTextAscii(const char* a, const char* b);
// The text between a leading and a trailing double quote, else s itself.
HostString Unquote(const char* s);
// s without the blanks and control characters at either end (any
// zero-terminated text will do).
HostString TrimText(const char* s);
// Appends the tokens of commandLine (nil: this process's command line) to
// list, the raw text of each with its quotes; with skipFirst the first token
// (the program) is passed over. True when list then holds more than one
// string. Any zero-terminated text will do.
bool SplitCommandLine(HostStringList& list, const char* commandLine, bool skipFirst);
// The per-user local application-data folder without a trailing delimiter;
// empty when the shell cannot tell.
HostString LocalAppDataFolder();
// Whether the platform is of the NT family.
bool IsWinNT();
// The NT headers of a module base: 64 readable bytes starting "MZ" with a
// non-zero header offset, then 248 readable bytes starting "PE\0\0"; else nil.
IMAGE_NT_HEADERS32* CheckedNtHeaders(const void* module);

}  // namespace toravex
