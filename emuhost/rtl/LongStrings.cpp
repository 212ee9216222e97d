// The host's long-string helpers, written plainly: every result here is what
// the plug-in's string replacements are measured against.
#include <windows.h>

#include "Bytes.h"
#include "EmuRuntime.h"

using hostabi::HeaderOf;
using hostabi::LengthOf;
using hostabi::LongStringHeader;

namespace emurtl {

char* NewLongString(int32_t length) {
    if (length <= 0) return nullptr;
    auto* h = static_cast<LongStringHeader*>(GetMem(hostabi::LongStringBlockSize(length)));
    h->refCount = 1;
    h->length = length;
    char* s = reinterpret_cast<char*>(h + 1);
    s[length] = 0;
    return s;
}

void ReleaseLongString(char* s) {
    if (!s) return;
    LongStringHeader* h = HeaderOf(s);
    if (h->refCount > 0 && InterlockedDecrement(reinterpret_cast<volatile LONG*>(&h->refCount)) == 0)
        FreeMem(h);
}

void* HOSTCALL LStrClr(char** s) {
    char* old = *s;
    *s = nullptr;
    ReleaseLongString(old);
    return s;
}

// Shares `source` (one more reference) or, for a constant when `copyConstants`
// is set, makes a counted copy of it.
static char* Share(const char* source, bool copyConstants) {
    char* s = const_cast<char*>(source);
    if (!s) return nullptr;
    LongStringHeader* h = HeaderOf(s);
    if (h->refCount >= 0) {
        InterlockedIncrement(reinterpret_cast<volatile LONG*>(&h->refCount));
        return s;
    }
    if (!copyConstants) return s;
    char* copy = NewLongString(h->length);
    CopyBytes(copy, s, h->length);
    return copy;
}

void HOSTCALL LStrAsg(char** dest, const char* source) {
    char* shared = Share(source, true);
    char* old = reinterpret_cast<char*>(InterlockedExchange(reinterpret_cast<volatile LONG*>(dest), reinterpret_cast<LONG>(shared)));
    ReleaseLongString(old);
}

void HOSTCALL LStrLAsg(char** dest, const char* source) {
    char* shared = Share(source, false);
    char* old = reinterpret_cast<char*>(InterlockedExchange(reinterpret_cast<volatile LONG*>(dest), reinterpret_cast<LONG>(shared)));
    ReleaseLongString(old);
}

char* HOSTCALL LStrAddRef(char* s) {
    if (s && HeaderOf(s)->refCount >= 0)
        InterlockedIncrement(reinterpret_cast<volatile LONG*>(&HeaderOf(s)->refCount));
    return s;
}

void HOSTCALL LStrFromPCharLen(char** dest, const char* source, int32_t length) {
    char* fresh = NewLongString(length);
    if (fresh) CopyBytes(fresh, source, length);
    char* old = *dest;
    *dest = fresh;
    ReleaseLongString(old);
}

void HOSTCALL LStrFromPChar(char** dest, const char* source) {
    LStrFromPCharLen(dest, source, TextLength(source));
}

void HOSTCALL LStrSetLength(char** s, int32_t newLength) {
    if (newLength <= 0) {
        LStrClr(s);
        return;
    }
    char* old = *s;
    if (old && HeaderOf(old)->refCount == 1) {
        void* block = HeaderOf(old);
        ReallocMem(&block, hostabi::LongStringBlockSize(newLength));
        auto* h = static_cast<LongStringHeader*>(block);
        h->length = newLength;
        *s = reinterpret_cast<char*>(h + 1);
        (*s)[newLength] = 0;
        return;
    }
    char* fresh = NewLongString(newLength);
    int32_t keep = old ? HeaderOf(old)->length : 0;
    if (keep > newLength) keep = newLength;
    CopyBytes(fresh, old, keep);
    *s = fresh;
    ReleaseLongString(old);
}


void AssignNew(char** dest, char* fresh) {
    char* old = *dest;
    *dest = fresh;
    ReleaseLongString(old);
}

int32_t HOSTCALL LStrLen(const char* s) { return hostabi::LengthOf(s); }

void HOSTCALL LStrFromChar(char** dest, char c) { LStrFromPCharLen(dest, &c, 1); }

// A character array up to its first zero byte, at most `length` characters.
void HOSTCALL LStrFromArray(char** dest, const char* source, int32_t length) {
    int32_t n = 0;
    while (n < length && source[n]) ++n;
    LStrFromPCharLen(dest, source, n);
}

void HOSTCALL LStrArrayClr(char** strings, int32_t count) {
    for (int32_t i = 0; i < count; ++i) LStrClr(&strings[i]);
}

char* HOSTCALL UniqueString(char** s) {
    char* old = *s;
    if (old && HeaderOf(old)->refCount != 1) {
        char* copy = NewLongString(HeaderOf(old)->length);
        CopyBytes(copy, old, HeaderOf(old)->length);
        AssignNew(s, copy);
    }
    return *s;
}

// Dest := Dest + Source; an empty Dest shares Source.
void HOSTCALL LStrCat(char** dest, const char* source) {
    if (!source) return;
    if (!*dest) {
        LStrAsg(dest, source);
        return;
    }
    const int32_t n1 = HeaderOf(*dest)->length, n2 = HeaderOf(source)->length;
    char* fresh = NewLongString(n1 + n2);
    CopyBytes(fresh, *dest, n1);
    CopyBytes(fresh + n1, source, n2);
    AssignNew(dest, fresh);
}

// Dest := S1 + S2; when one side is empty Dest shares the other.
void HOSTCALL LStrCat3(char** dest, const char* s1, const char* s2) {
    if (!s1) return LStrAsg(dest, s2);
    if (!s2) return LStrAsg(dest, s1);
    const int32_t n1 = HeaderOf(s1)->length, n2 = HeaderOf(s2)->length;
    char* fresh = NewLongString(n1 + n2);
    CopyBytes(fresh, s1, n1);
    CopyBytes(fresh + n1, s2, n2);
    AssignNew(dest, fresh);
}

// Dest := the concatenation of `count` strings; pushed[0] is the last
// operand (the one pushed last), pushed[count - 1] the first.
void HOSTCALL LStrCatN(char** dest, int32_t count, const char* const* pushed) {
    int32_t total = 0;
    for (int32_t i = 0; i < count; ++i) total += LengthOf(pushed[i]);
    char* fresh = NewLongString(total);
    int32_t at = 0;
    for (int32_t i = count - 1; i >= 0; --i) {
        CopyBytes(fresh + at, pushed[i], LengthOf(pushed[i]));
        at += LengthOf(pushed[i]);
    }
    AssignNew(dest, fresh);
}

}  // namespace emurtl

extern "C" {
void* HOSTCALL emu_System_LStrClr(char** s) { return emurtl::LStrClr(s); }
void HOSTCALL emu_System_LStrAsg(char** d, const char* s) { emurtl::LStrAsg(d, s); }
void HOSTCALL emu_System_LStrLAsg(char** d, const char* s) { emurtl::LStrLAsg(d, s); }
char* HOSTCALL emu_System_LStrAddRef(char* s) { return emurtl::LStrAddRef(s); }
void HOSTCALL emu_System_LStrFromPChar(char** d, const char* s) { emurtl::LStrFromPChar(d, s); }
void HOSTCALL emu_System_LStrFromPCharLen(char** d, const char* s, int32_t n) { emurtl::LStrFromPCharLen(d, s, n); }
void HOSTCALL emu_System_LStrSetLength(char** s, int32_t n) { emurtl::LStrSetLength(s, n); }
int32_t HOSTCALL emu_System_LStrLen(const char* s) { return emurtl::LStrLen(s); }
void HOSTCALL emu_System_LStrFromChar(char** d, char c) { emurtl::LStrFromChar(d, c); }
void HOSTCALL emu_System_LStrFromArray(char** d, const char* s, int32_t n) { emurtl::LStrFromArray(d, s, n); }
void HOSTCALL emu_System_LStrArrayClr(char** a, int32_t n) { emurtl::LStrArrayClr(a, n); }
char* HOSTCALL emu_System_UniqueString(char** s) { return emurtl::UniqueString(s); }
void HOSTCALL emu_System_LStrCat(char** d, const char* s) { emurtl::LStrCat(d, s); }
void HOSTCALL emu_System_LStrCat3(char** d, const char* a, const char* b) { emurtl::LStrCat3(d, a, b); }
void HOSTCALL emurtl_LStrCatN(char** d, int32_t n, const char* const* pushed) { emurtl::LStrCatN(d, n, pushed); }
int32_t HOSTCALL emurtl_CompareLongStrings(const char* a, const char* b) { return emurtl::CompareStr(a, b); }
}
