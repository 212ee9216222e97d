// SysUtils, StrUtils and System string routines: comparisons, case
// conversion, searches and replacement, written as plain byte loops. These
// results are the reference the plug-in's replacements are measured against.
#include <windows.h>

#include "Bytes.h"
#include "EmuRuntime.h"

using hostabi::LengthOf;

namespace emurtl {

static inline unsigned char UpperAscii(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 0x20 : c; }
static inline unsigned char LowerAscii(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 0x20 : c; }
static inline const unsigned char* Bytes(const char* s) { return reinterpret_cast<const unsigned char*>(s); }

// Byte-wise ordering of two counted strings after `fold`: the difference of
// the first unequal bytes, else the difference of the lengths.
template <unsigned char (*Fold)(unsigned char)>
static int32_t CompareCounted(const char* s1, const char* s2) {
    const int32_t n1 = LengthOf(s1), n2 = LengthOf(s2);
    const int32_t n = n1 < n2 ? n1 : n2;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t a = Fold(Bytes(s1)[i]), b = Fold(Bytes(s2)[i]);
        if (a != b) return a - b;
    }
    return n1 - n2;
}

static inline unsigned char Same(unsigned char c) { return c; }

int32_t HOSTCALL CompareStr(const char* s1, const char* s2) { return CompareCounted<Same>(s1, s2); }
int32_t HOSTCALL CompareText(const char* s1, const char* s2) { return CompareCounted<UpperAscii>(s1, s2); }

int32_t HOSTCALL StrComp(const char* s1, const char* s2) {
    const unsigned char *a = Bytes(s1), *b = Bytes(s2);
    while (*a && *a == *b) ++a, ++b;
    return int32_t(*a) - int32_t(*b);
}

int32_t HOSTCALL StrIComp(const char* s1, const char* s2) {
    const unsigned char *a = Bytes(s1), *b = Bytes(s2);
    while (*a && UpperAscii(*a) == UpperAscii(*b)) ++a, ++b;
    return int32_t(UpperAscii(*a)) - int32_t(UpperAscii(*b));
}

int32_t HOSTCALL StrLen(const char* s) { return TextLength(s); }

char* HOSTCALL StrCopy(char* dest, const char* source) {
    int32_t i = 0;
    do dest[i] = source[i];
    while (source[i++]);
    return dest;
}

char* HOSTCALL StrScan(const char* s, char c) {
    if (!s) return nullptr;
    for (;; ++s) {
        if (*s == c) return const_cast<char*>(s);
        if (!*s) return nullptr;
    }
}

// A fresh copy of s with every byte passed through Fold; empty for empty s.
template <unsigned char (*Fold)(unsigned char)>
static void FoldedCopy(const char* s, char** result) {
    const int32_t n = LengthOf(s);
    char* fresh = NewLongString(n);
    for (int32_t i = 0; i < n; ++i) fresh[i] = static_cast<char>(Fold(Bytes(s)[i]));
    AssignNew(result, fresh);
}

void HOSTCALL UpperCase(const char* s, char** result) { FoldedCopy<UpperAscii>(s, result); }
void HOSTCALL LowerCase(const char* s, char** result) { FoldedCopy<LowerAscii>(s, result); }

// 1-based position of sub in s at or after `from`, 0 when there is none.
static int32_t Find(const unsigned char* sub, int32_t subLength, const unsigned char* s, int32_t length,
                    int32_t from) {
    if (subLength <= 0 || from < 1) return 0;
    for (int32_t i = from - 1; i + subLength <= length; ++i) {
        int32_t k = 0;
        while (k < subLength && s[i + k] == sub[k]) ++k;
        if (k == subLength) return i + 1;
    }
    return 0;
}

int32_t HOSTCALL Pos(const char* sub, const char* s) {
    return Find(Bytes(sub), LengthOf(sub), Bytes(s), LengthOf(s), 1);
}

int32_t HOSTCALL PosEx(const char* sub, const char* s, uint32_t offset) {
    if (offset < 1 || offset > 0x7FFFFFFFu) return 0;
    return Find(Bytes(sub), LengthOf(sub), Bytes(s), LengthOf(s), static_cast<int32_t>(offset));
}

// StringReplace: replaces the first (or with bit 0 every) non-overlapping
// occurrence of `old` by `with`. With bit 1 the search compares the texts
// upper-cased in the system's ANSI code page. No match shares S.
void HOSTCALL_STACK StringReplace(const char* s, const char* old, const char* with, char** result,
                                  uint32_t flags) {
    const bool all = flags & 1, ignoreCase = flags & 2;
    const int32_t length = LengthOf(s), oldLength = LengthOf(old), withLength = LengthOf(with);

    // The searched texts: s and old themselves, or upper-cased copies.
    char *searchS = nullptr, *searchOld = nullptr;
    if (ignoreCase) {
        LStrFromPCharLen(&searchS, s, length);
        LStrFromPCharLen(&searchOld, old, oldLength);
        if (searchS) CharUpperBuffA(searchS, static_cast<DWORD>(length));
        if (searchOld) CharUpperBuffA(searchOld, static_cast<DWORD>(oldLength));
    }
    const unsigned char* hay = Bytes(ignoreCase ? searchS : s);
    const unsigned char* needle = Bytes(ignoreCase ? searchOld : old);

    int32_t count = 0;
    for (int32_t at = Find(needle, oldLength, hay, length, 1); at; at = Find(needle, oldLength, hay, length, at + oldLength)) {
        ++count;
        if (!all) break;
    }
    if (count == 0) {
        LStrAsg(result, s);
    } else {
        char* fresh = NewLongString(length + count * (withLength - oldLength));
        int32_t from = 0, to = 0;
        for (int32_t n = 0; n < count; ++n) {
            const int32_t at = Find(needle, oldLength, hay, length, from + 1) - 1;
            CopyBytes(fresh + to, s + from, at - from);
            to += at - from;
            CopyBytes(fresh + to, with, withLength);
            to += withLength;
            from = at + oldLength;
        }
        CopyBytes(fresh + to, s + from, length - from);
        AssignNew(result, fresh);
    }
    LStrClr(&searchS);
    LStrClr(&searchOld);
}

bool HOSTCALL SameText(const char* s1, const char* s2) { return CompareText(s1, s2) == 0; }

// The locale's ordering ignoring case, as -1, 0 or 1 (CompareStringA - 2).
int32_t HOSTCALL AnsiCompareText(const char* s1, const char* s2) {
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, s1 ? s1 : "", LengthOf(s1), s2 ? s2 : "",
                          LengthOf(s2)) - 2;
}

int32_t HOSTCALL AnsiCompareStr(const char* s1, const char* s2) {
    return CompareStringA(LOCALE_USER_DEFAULT, 0, s1 ? s1 : "", LengthOf(s1), s2 ? s2 : "", LengthOf(s2)) - 2;
}

void HOSTCALL AnsiLowerCase(const char* s, char** result) {
    char* fresh = nullptr;
    LStrFromPCharLen(&fresh, s, LengthOf(s));
    if (fresh) CharLowerBuffA(fresh, static_cast<DWORD>(LengthOf(fresh)));
    AssignNew(result, fresh);
}

}  // namespace emurtl

extern "C" {
using namespace emurtl;
int32_t HOSTCALL emu_Sysutils_CompareStr(const char* a, const char* b) { return CompareStr(a, b); }
int32_t HOSTCALL emu_Sysutils_CompareText(const char* a, const char* b) { return CompareText(a, b); }
int32_t HOSTCALL emu_Sysutils_StrComp(const char* a, const char* b) { return StrComp(a, b); }
int32_t HOSTCALL emu_Sysutils_StrIComp(const char* a, const char* b) { return StrIComp(a, b); }
int32_t HOSTCALL emu_Sysutils_StrLen(const char* s) { return StrLen(s); }
char* HOSTCALL emu_Sysutils_StrCopy(char* d, const char* s) { return StrCopy(d, s); }
char* HOSTCALL emu_Sysutils_StrScan(const char* s, char c) { return StrScan(s, c); }
void HOSTCALL emu_Sysutils_UpperCase(const char* s, char** r) { UpperCase(s, r); }
void HOSTCALL emu_Sysutils_LowerCase(const char* s, char** r) { LowerCase(s, r); }
int32_t HOSTCALL emu_Strutils_PosEx(const char* sub, const char* s, uint32_t offset) { return PosEx(sub, s, offset); }
int32_t HOSTCALL emu_System_LStrPos(const char* sub, const char* s) { return Pos(sub, s); }
void HOSTCALL_STACK emu_Sysutils_StringReplace(const char* s, const char* o, const char* w, char** r, uint32_t f)
    __asm__("_emu_Sysutils_StringReplace");
void HOSTCALL_STACK emu_Sysutils_StringReplace(const char* s, const char* o, const char* w, char** r, uint32_t f) {
    StringReplace(s, o, w, r, f);
}
bool HOSTCALL emu_Sysutils_SameText(const char* a, const char* b) { return SameText(a, b); }
int32_t HOSTCALL emu_Sysutils_AnsiCompareText(const char* a, const char* b) { return AnsiCompareText(a, b); }
}

// The StringReplace of the 60 and 50 builds differs only in its decorated name.
__asm__(".globl _emu_Sysutils_StringReplace60\n\t.set _emu_Sysutils_StringReplace60, _emu_Sysutils_StringReplace");
__asm__(".globl _emu_Sysutils_StringReplace50\n\t.set _emu_Sysutils_StringReplace50, _emu_Sysutils_StringReplace");
