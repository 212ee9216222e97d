// The host's wide strings: operating-system strings (SysAllocStringLen and
// SysFreeString), 16-bit characters, the length in bytes 4 bytes before the
// data, no reference count. Assignment therefore always copies.
#include <windows.h>
#include <oleauto.h>

#include "Bytes.h"
#include "EmuRuntime.h"

namespace emurtl {

static inline int32_t WideLength(const wchar_t* s) { return s ? static_cast<int32_t>(SysStringLen(const_cast<BSTR>(s))) : 0; }

static wchar_t* NewWide(const wchar_t* source, int32_t length) {
    return length > 0 ? SysAllocStringLen(source, static_cast<UINT>(length)) : nullptr;
}

// Stores a new value and frees the old one (the runtime's internal store).
static void Store(wchar_t** dest, wchar_t* value) {
    wchar_t* old = *dest;
    *dest = value;
    if (old) SysFreeString(old);
}

wchar_t** HOSTCALL WStrClr(wchar_t** s) {
    Store(s, nullptr);
    return s;
}

void HOSTCALL WStrArrayClr(wchar_t** strings, int32_t count) {
    for (int32_t i = 0; i < count; ++i) WStrClr(&strings[i]);
}

void HOSTCALL WStrAsg(wchar_t** dest, const wchar_t* source) {
    if (*dest != source) Store(dest, NewWide(source, WideLength(source)));
}

// The runtime's "add a reference" for wide strings: a copy of its own.
wchar_t* HOSTCALL WStrAddRef(wchar_t** s) {
    if (*s) *s = NewWide(*s, WideLength(*s));
    return *s;
}

void HOSTCALL WStrFromPWCharLen(wchar_t** dest, const wchar_t* source, int32_t length) {
    Store(dest, NewWide(source, length));
}

void HOSTCALL WStrFromPWChar(wchar_t** dest, const wchar_t* source) {
    WStrFromPWCharLen(dest, source, WideTextLength(source));
}

void HOSTCALL WStrFromWArray(wchar_t** dest, const wchar_t* source, int32_t length) {
    int32_t n = 0;
    while (n < length && source[n]) ++n;
    WStrFromPWCharLen(dest, source, n);
}

void HOSTCALL WStrFromWChar(wchar_t** dest, wchar_t c) { WStrFromPWCharLen(dest, &c, 1); }

// Single-byte text in the system's ANSI code page to a wide string.
void HOSTCALL WStrFromPCharLen(wchar_t** dest, const char* source, int32_t length) {
    if (length <= 0) return Store(dest, nullptr);
    const int32_t wide = MultiByteToWideChar(CP_ACP, 0, source, length, nullptr, 0);
    wchar_t* fresh = SysAllocStringLen(nullptr, static_cast<UINT>(wide));
    MultiByteToWideChar(CP_ACP, 0, source, length, fresh, wide);
    Store(dest, fresh);
}

void HOSTCALL WStrFromPChar(wchar_t** dest, const char* source) { WStrFromPCharLen(dest, source, TextLength(source)); }
void HOSTCALL WStrFromChar(wchar_t** dest, char c) { WStrFromPCharLen(dest, &c, 1); }
void HOSTCALL WStrFromLStr(wchar_t** dest, const char* source) {
    WStrFromPCharLen(dest, source, hostabi::LengthOf(source));
}

int32_t HOSTCALL WStrLen(const wchar_t* s) { return WideLength(s); }

const wchar_t* HOSTCALL WStrToPWChar(const wchar_t* s) {
    static const wchar_t kEmpty = 0;
    return s ? s : &kEmpty;
}

wchar_t* HOSTCALL NewWideString(int32_t length) { return NewWide(nullptr, length); }

// A fresh wide string of `count` parts (nil parts are empty).
static wchar_t* Concatenate(const wchar_t* const* parts, int32_t count) {
    int32_t total = 0;
    for (int32_t i = 0; i < count; ++i) total += WideLength(parts[i]);
    wchar_t* fresh = NewWide(nullptr, total);
    int32_t at = 0;
    for (int32_t i = 0; i < count; ++i) {
        CopyBytes(fresh + at, parts[i], WideLength(parts[i]) * 2);
        at += WideLength(parts[i]);
    }
    return fresh;
}

void HOSTCALL WStrCat(wchar_t** dest, const wchar_t* source) {
    const wchar_t* parts[] = {*dest, source};
    Store(dest, Concatenate(parts, 2));
}

void HOSTCALL WStrCat3(wchar_t** dest, const wchar_t* s1, const wchar_t* s2) {
    const wchar_t* parts[] = {s1, s2};
    Store(dest, Concatenate(parts, 2));
}

// pushed[0] is the last operand, pushed[count - 1] the first.
void HOSTCALL WStrCatN(wchar_t** dest, int32_t count, const wchar_t* const* pushed) {
    const wchar_t* parts[64];
    if (count > 64) count = 64;
    for (int32_t i = 0; i < count; ++i) parts[i] = pushed[count - 1 - i];
    Store(dest, Concatenate(parts, count));
}

// Ordering of two wide strings: the first unequal 16-bit characters decide
// (unsigned), else the lengths.
int32_t HOSTCALL CompareWide(const wchar_t* s1, const wchar_t* s2) {
    const int32_t n1 = WideLength(s1), n2 = WideLength(s2);
    const int32_t n = n1 < n2 ? n1 : n2;
    for (int32_t i = 0; i < n; ++i)
        if (s1[i] != s2[i]) return int32_t(static_cast<uint16_t>(s1[i])) - int32_t(static_cast<uint16_t>(s2[i]));
    return (n1 - n2) * 2;
}

// WideCompareStr = 0 in the user's locale, as the host's WideSameStr.
bool HOSTCALL WideSameStr(const wchar_t* s1, const wchar_t* s2) {
    static const wchar_t kEmpty = 0;
    return CompareStringW(LOCALE_USER_DEFAULT, 0, s1 ? s1 : &kEmpty, WideLength(s1), s2 ? s2 : &kEmpty,
                          WideLength(s2)) == CSTR_EQUAL;
}

}  // namespace emurtl

extern "C" {
using namespace emurtl;
wchar_t** HOSTCALL emu_System_WStrClr(wchar_t** s) { return WStrClr(s); }
void HOSTCALL emu_System_WStrArrayClr(wchar_t** a, int32_t n) { WStrArrayClr(a, n); }
void HOSTCALL emu_System_WStrAsg(wchar_t** d, const wchar_t* s) { WStrAsg(d, s); }
void HOSTCALL emu_System_WStrLAsg(wchar_t** d, const wchar_t* s) { WStrAsg(d, s); }
wchar_t* HOSTCALL emu_System_WStrAddRef(wchar_t** s) { return WStrAddRef(s); }
void HOSTCALL emu_System_WStrFromPWCharLen(wchar_t** d, const wchar_t* s, int32_t n) { WStrFromPWCharLen(d, s, n); }
void HOSTCALL emu_System_WStrFromPWChar(wchar_t** d, const wchar_t* s) { WStrFromPWChar(d, s); }
void HOSTCALL emu_System_WStrFromWArray(wchar_t** d, const wchar_t* s, int32_t n) { WStrFromWArray(d, s, n); }
void HOSTCALL emu_System_WStrFromWChar(wchar_t** d, wchar_t c) { WStrFromWChar(d, c); }
void HOSTCALL emu_System_WStrFromPCharLen(wchar_t** d, const char* s, int32_t n) { WStrFromPCharLen(d, s, n); }
void HOSTCALL emu_System_WStrFromPChar(wchar_t** d, const char* s) { WStrFromPChar(d, s); }
void HOSTCALL emu_System_WStrFromChar(wchar_t** d, char c) { WStrFromChar(d, c); }
void HOSTCALL emu_System_WStrFromLStr(wchar_t** d, const char* s) { WStrFromLStr(d, s); }
int32_t HOSTCALL emu_System_WStrLen(const wchar_t* s) { return WStrLen(s); }
const wchar_t* HOSTCALL emu_System_WStrToPWChar(const wchar_t* s) { return WStrToPWChar(s); }
wchar_t* HOSTCALL emu_System_NewWideString(int32_t n) { return NewWideString(n); }
void HOSTCALL emu_System_WStrCat(wchar_t** d, const wchar_t* s) { WStrCat(d, s); }
void HOSTCALL emu_System_WStrCat3(wchar_t** d, const wchar_t* a, const wchar_t* b) { WStrCat3(d, a, b); }
void HOSTCALL emurtl_WStrCatN(wchar_t** d, int32_t n, const wchar_t* const* pushed) { WStrCatN(d, n, pushed); }
int32_t HOSTCALL emurtl_CompareWideStrings(const wchar_t* a, const wchar_t* b) { return CompareWide(a, b); }
bool HOSTCALL emu_Sysutils_WideSameStr(const wchar_t* a, const wchar_t* b) { return WideSameStr(a, b); }
// The new value of WStrSetLength: a fresh string of `length` characters that
// starts with the old characters (nil for a length of 0 or below).
wchar_t* emurtl_WideResized(const wchar_t* old, int32_t length) {
    if (length <= 0) return nullptr;
    wchar_t* fresh = SysAllocStringLen(nullptr, static_cast<UINT>(length));
    int32_t keep = WideLength(old) < length ? WideLength(old) : length;
    CopyBytes(fresh, old, keep * 2);
    return fresh;
}
}
