#include "runtime/CRuntimeAdapters.h"

#include "fastcode/FastMove.h"
#include "fastcode/Fastcode.h"

namespace toravex {

// FillChar takes (Dest, Count, Value); the result is the destination.
void* __cdecl CrtMemset(void* dest, int value, size_t count) {
    Slots.FillChar(dest, static_cast<int32_t>(count), static_cast<char>(value));
    return dest;
}

// Move takes (Source, Dest, Count).
void* __cdecl CrtMemmove(void* dest, const void* source, size_t count) {
    MoveSlot(source, dest, static_cast<int32_t>(count));
    return dest;
}

int __cdecl CrtStrcmp(const char* a, const char* b) { return Slots.StrComp(a, b); }
int __cdecl CrtStricmp(const char* a, const char* b) { return Slots.StrIComp(a, b); }
size_t __cdecl CrtStrlen(const char* s) { return static_cast<size_t>(Slots.StrLen(s)); }

}  // namespace toravex
