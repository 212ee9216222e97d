#include "runtime/FileNames.h"

#include <windows.h>

#include "HostLayout.h"
#include "base/HostResults.h"

using hostabi::LengthOf;

namespace toravex {

namespace {

// Index of the last character of s that is one of the delimiters; -1 if none.
int32_t LastOf(const char* s, int32_t length, char a, char b, char c = 0) {
    for (int32_t i = length - 1; i >= 0; --i)
        if (s[i] == a || s[i] == b || (c && s[i] == c)) return i;
    return -1;
}

bool EndsWithDelimiter(const char* s, int32_t length) { return length > 0 && s[length - 1] == '\\'; }

}  // namespace

// The host adds the delimiter to an empty name too: "" gives "\".
void HOSTCALL IncludeTrailingPathDelimiterFast(const char* s, char** result) {
    const int32_t length = LengthOf(s);
    if (EndsWithDelimiter(s, length))
        ShareResult(result, s);
    else
        SetResult2(result, s, length, "\\", 1);
}

void HOSTCALL ExcludeTrailingPathDelimiterFast(const char* s, char** result) {
    const int32_t length = LengthOf(s);
    if (EndsWithDelimiter(s, length))
        SetResult(result, s, length - 1);
    else
        ShareResult(result, s);
}

void HOSTCALL ExtractFilePathFast(const char* s, char** result) {
    SetResult(result, s, LastOf(s, LengthOf(s), '\\', ':') + 1);
}

// As the host defines it: the delimiter before the name goes, except a root
// delimiter ("C:\file" gives "C:\", "\file" gives "\") or a doubled one.
void HOSTCALL ExtractFileDirFast(const char* s, char** result) {
    int32_t keep = LastOf(s, LengthOf(s), '\\', ':') + 1;
    if (keep > 1 && s[keep - 1] == '\\' && s[keep - 2] != '\\' && s[keep - 2] != ':') --keep;
    SetResult(result, s, keep);
}

void HOSTCALL ExtractFileNameFast(const char* s, char** result) {
    const int32_t length = LengthOf(s);
    const int32_t last = LastOf(s, length, '\\', ':');
    if (last < 0)
        ShareResult(result, s);
    else
        SetResult(result, s + last + 1, length - last - 1);
}

void HOSTCALL ExtractFileExtFast(const char* s, char** result) {
    const int32_t length = LengthOf(s);
    const int32_t last = LastOf(s, length, '.', '\\', ':');
    if (last >= 0 && s[last] == '.')
        SetResult(result, s + last, length - last);
    else
        SetResult(result, nullptr, 0);
}

void HOSTCALL ChangeFileExtFast(const char* s, const char* extension, char** result) {
    const int32_t length = LengthOf(s);
    const int32_t last = LastOf(s, length, '.', '\\', ':');
    const int32_t keep = last >= 0 && s[last] == '.' ? last : length;
    SetResult2(result, s, keep, extension, LengthOf(extension));
}

bool HOSTCALL FileExistsFast(const char* fileName) {
    if (!fileName) return false;
    const DWORD attributes = GetFileAttributesA(fileName);
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;  // a failed query has every bit set
}

}  // namespace toravex
