// SysUtils file-name and file-system routines (single-byte locales: the
// delimiters are "\" and ":" only), and the locale record they depend on.
#include <windows.h>

#include "Bytes.h"
#include "EmuRuntime.h"

using hostabi::LengthOf;

namespace emurtl {

namespace {

bool IsDelimiter(char c) { return c == '\\' || c == ':'; }

// 1-based position of the last "\" or ":" (and "." when `dot`), 0 if none.
int32_t LastDelimiter(const char* s, bool dot) {
    for (int32_t i = LengthOf(s); i >= 1; --i)
        if (IsDelimiter(s[i - 1]) || (dot && s[i - 1] == '.')) return i;
    return 0;
}

// Result := Copy(S, from, count) (1-based), a fresh string.
void CopyOut(const char* s, int32_t from, int32_t count, char** result) {
    char* fresh = nullptr;
    if (count > 0) LStrFromPCharLen(&fresh, s + from - 1, count);
    AssignNew(result, fresh);
}

}  // namespace

void HOSTCALL ExtractFilePath(const char* s, char** result) { CopyOut(s, 1, LastDelimiter(s, false), result); }

// The root keeps its backslash: C:\file gives C:\ and \file gives \.
void HOSTCALL ExtractFileDir(const char* s, char** result) {
    int32_t i = LastDelimiter(s, false);
    if (i > 1 && s[i - 1] == '\\' && !IsDelimiter(s[i - 2])) --i;
    CopyOut(s, 1, i, result);
}

void HOSTCALL ExtractFileName(const char* s, char** result) {
    const int32_t i = LastDelimiter(s, false);
    CopyOut(s, i + 1, LengthOf(s) - i, result);
}

void HOSTCALL ExtractFileExt(const char* s, char** result) {
    const int32_t i = LastDelimiter(s, true);
    if (i > 0 && s[i - 1] == '.') CopyOut(s, i, LengthOf(s) - i + 1, result);
    else AssignNew(result, nullptr);
}

void HOSTCALL ChangeFileExt(const char* s, const char* ext, char** result) {
    int32_t i = LastDelimiter(s, true);
    if (i == 0 || s[i - 1] != '.') i = LengthOf(s) + 1;
    char* fresh = nullptr;
    CopyOut(s, 1, i - 1, &fresh);
    LStrCat(&fresh, ext);
    AssignNew(result, fresh);
}

void HOSTCALL IncludeTrailingPathDelimiter(const char* s, char** result) {
    const int32_t n = LengthOf(s);
    if (n > 0 && s[n - 1] == '\\') return LStrAsg(result, s);
    char* fresh = NewLongString(n + 1);
    CopyBytes(fresh, s, n);
    fresh[n] = '\\';
    AssignNew(result, fresh);
}

void HOSTCALL ExcludeTrailingPathDelimiter(const char* s, char** result) {
    const int32_t n = LengthOf(s);
    if (n > 0 && s[n - 1] == '\\') CopyOut(s, 1, n - 1, result);
    else LStrAsg(result, s);
}

bool HOSTCALL FileExists(const char* name) {
    if (!name) return false;
    const DWORD attributes = GetFileAttributesA(name);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Last-write time as a local packed DOS date (high word) and time (low
// word); -1 for a missing file or a directory.
int32_t HOSTCALL FileAge(const char* name) {
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(name ? name : "", &data);
    if (h == INVALID_HANDLE_VALUE) return -1;
    FindClose(h);
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
    FILETIME local;
    WORD date, time;
    FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
    if (!FileTimeToDosDateTime(&local, &date, &time)) return -1;
    return static_cast<int32_t>((static_cast<uint32_t>(date) << 16) | time);
}

extern "C" hostabi::SysLocaleRec emu_Sysutils_SysLocale;
hostabi::SysLocaleRec emu_Sysutils_SysLocale;

void InitSysLocale() {
    hostabi::SysLocaleRec& l = emu_Sysutils_SysLocale;
    l.defaultLcid = GetThreadLocale();
    l.priLangId = PRIMARYLANGID(l.defaultLcid);
    l.subLangId = SUBLANGID(l.defaultLcid);
    l.farEast = GetSystemMetrics(SM_DBCSENABLED) != 0;
    // The emulated host's own switch: EMUHOST_FAREAST=1 in the environment
    // makes the runtime report a Far-East locale, so tests can run the IDE
    // as it runs on a double-byte system.
    char farEast[4];
    if (GetEnvironmentVariableA("EMUHOST_FAREAST", farEast, sizeof farEast) == 1 && farEast[0] == '1') l.farEast = 1;
    l.middleEast = GetSystemMetrics(SM_MIDEASTENABLED) != 0;
    // And EMUHOST_LANGUAGE=<primary language number> (7 German, 12 French)
    // makes it report that language as the user's.
    char language[8];
    if (DWORD n = GetEnvironmentVariableA("EMUHOST_LANGUAGE", language, sizeof language); n > 0 && n < sizeof language) {
        int id = 0;
        for (const char* p = language; *p >= '0' && *p <= '9'; ++p) id = id * 10 + (*p - '0');
        l.priLangId = id;
        l.subLangId = SUBLANG_DEFAULT;
        l.defaultLcid = MAKELCID(MAKELANGID(id, SUBLANG_DEFAULT), SORT_DEFAULT);
    }
}

// In single-byte locales the file-name comparisons are the locale's
// case-insensitive ones; in Far-East locales lower-cased names are compared.
void HOSTCALL AnsiLowerCaseFileName(const char* s, char** result) { AnsiLowerCase(s, result); }

int32_t HOSTCALL AnsiCompareFileName(const char* s1, const char* s2) {
    if (!emu_Sysutils_SysLocale.farEast) return AnsiCompareText(s1, s2);
    char *a = nullptr, *b = nullptr;
    AnsiLowerCaseFileName(s1, &a);
    AnsiLowerCaseFileName(s2, &b);
    const int32_t r = AnsiCompareStr(a, b);
    LStrClr(&a);
    LStrClr(&b);
    return r;
}

}  // namespace emurtl

extern "C" {
using namespace emurtl;
void HOSTCALL emu_Sysutils_ExtractFilePath(const char* s, char** r) { ExtractFilePath(s, r); }
void HOSTCALL emu_Sysutils_ExtractFileDir(const char* s, char** r) { ExtractFileDir(s, r); }
void HOSTCALL emu_Sysutils_ExtractFileName(const char* s, char** r) { ExtractFileName(s, r); }
void HOSTCALL emu_Sysutils_ExtractFileExt(const char* s, char** r) { ExtractFileExt(s, r); }
void HOSTCALL emu_Sysutils_ChangeFileExt(const char* s, const char* e, char** r) { ChangeFileExt(s, e, r); }
void HOSTCALL emu_Sysutils_IncludeTrailingPathDelimiter(const char* s, char** r) { IncludeTrailingPathDelimiter(s, r); }
void HOSTCALL emu_Sysutils_ExcludeTrailingPathDelimiter(const char* s, char** r) { ExcludeTrailingPathDelimiter(s, r); }
bool HOSTCALL emu_Sysutils_FileExists(const char* s) { return FileExists(s); }
int32_t HOSTCALL emu_Sysutils_FileAge(const char* s) { return FileAge(s); }
void HOSTCALL emu_Sysutils_AnsiLowerCaseFileName(const char* s, char** r) { AnsiLowerCaseFileName(s, r); }
int32_t HOSTCALL emu_Sysutils_AnsiCompareFileName(const char* a, const char* b) { return AnsiCompareFileName(a, b); }
bool HOSTCALL emu_Sysutils_SameFileName(const char* a, const char* b) { return AnsiCompareFileName(a, b) == 0; }
}
