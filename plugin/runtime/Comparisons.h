// Replacements of the host's locale and search comparisons.
#pragma once

#include <cstdint>

#include "HostCall.h"

namespace toravex {

// Case-insensitive comparison in the user's locale: -1, 0 or 1; an empty
// string sorts before every other. Replaces AnsiCompareText and
// AnsiCompareFileName.
int32_t HOSTCALL LocaleCompareText(const char* s1, const char* s2);
bool HOSTCALL SameFileNameFast(const char* s1, const char* s2);

// SameText: the CompareText routine chosen for this processor answers 0.
bool HOSTCALL SameTextFast(const char* s1, const char* s2);

// The first occurrence of c in a zero-terminated string (the terminator
// itself when c is zero); nil when absent or for a nil string.
char* HOSTCALL StrScanFast(const char* s, char c);

// Exact equality of two wide strings.
bool HOSTCALL WideSameStrFast(const wchar_t* s1, const wchar_t* s2);

}  // namespace toravex
