// The host's long-string helpers, written plainly: every result here is what
// the plug-in's string replacements are measured against.
#include <windows.h>

#include <cstring>

#include "EmuRuntime.h"

using hostabi::HeaderOf;
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
    std::memcpy(copy, s, static_cast<size_t>(h->length));
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
    if (fresh) std::memcpy(fresh, source, static_cast<size_t>(length));
    char* old = *dest;
    *dest = fresh;
    ReleaseLongString(old);
}

void HOSTCALL LStrFromPChar(char** dest, const char* source) {
    LStrFromPCharLen(dest, source, source ? static_cast<int32_t>(std::strlen(source)) : 0);
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
    if (keep > 0) std::memcpy(fresh, old, static_cast<size_t>(keep));
    *s = fresh;
    ReleaseLongString(old);
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
}
