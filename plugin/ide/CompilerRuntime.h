// What the compiler hooks put in place of the C routines inside the compiler
// libraries (CompilerLibraries.h): 32-byte code blocks copied over memcpy,
// memmove, memset and strlen, which call the processor-selected routines
// through the routine slots' absolute addresses (so a copy runs anywhere);
// FastStrCat for strcat; and for memcmp SmartMemCmp, which rewrites each
// direct caller that pushes its first argument from a register into a call
// of RegisterMemCmp, and hands every other call to PlainMemCmp.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "HostCall.h"

namespace toravex {

using CodeBlock = std::array<uint8_t, 32>;

// memcpy and memmove (dest, source, count): Move (source, dest, count)
// through MoveSlot; dest is the result.
CodeBlock MoveBlock();
// memset (dest, value, count): FillChar (dest, count, value) through the
// FillChar slot; dest is the result.
CodeBlock FillBlock();
// strlen (s): the StrLen slot's result.
CodeBlock LengthBlock();

extern "C" {
// strcat (dest, source), C convention: finds dest's zero a 32-bit word at a
// time and appends source (its first two bytes directly, the rest through
// the StrCopy slot); returns dest.
char* toravex_FastStrCat(char* dest, const char* source);

// memcmp (a, b, count), C convention; the target of the code redirection of
// a compiler library's memcmp (CompilerRuntime.S).
int toravex_SmartMemCmp(const void* a, const void* b, size_t count);

// memcmp with a in ECX, b and count on the stack, removed on return: 32-byte
// blocks compared as eight 32-bit words, then 16, 8, 4, 2 and 1 bytes. The
// difference of the first unequal bytes (unsigned), 0 when all are equal.
int32_t HOSTCALL_STACK toravex_RegisterMemCmp(uint32_t unusedEax, uint32_t unusedEdx, const void* a, const void* b,
                                             size_t count) __asm__("_toravex_RegisterMemCmp");
}

// The compiler libraries' own memcmp of the running build, run as code of
// this library (its bytes are the memcmp row of hostabi/CompilerRoutines.inc):
// a byte-wise compare, four bytes per step, C convention. Nil when the table
// has no memcmp for this build.
using CMemCmp = int (*)(const void* a, const void* b, size_t count);
CMemCmp PlainMemCmp();

// Tells SmartMemCmp that entry is a compiler library's memcmp: only direct
// calls of a known entry are rewritten (at most four entries are kept).
void AddMemCmpEntry(const void* entry);

// What SmartMemCmp does with the site that called it, given the return
// address, the first argument and the registers at entry (EAX, ECX, EDX,
// EBX, ESP, EBP, ESI, EDI: the order of the one-byte pushes 50 to 57; ESP
// as it was before the call pushed the return address).
//
// A direct call of a known memcmp entry (E8 at R - 5) followed by the
// caller's "add esp, 12" (83 C4 0C), whose first argument was pushed by a
// one-byte register push (50 to 57 at R - 6, the register holding a, and no
// longer push ending in that byte in front of it), is rewritten to a move of
// that register into ECX, a call of RegisterMemCmp and 90 90: true. Any other
// direct call of memcmp is re-pointed straight to PlainMemCmp, so that it
// is not examined again: false. Anything else (an indirect call, a call
// through something else) is left as it is: false. A site another thread
// rewrote meanwhile: true.
bool RewriteMemCmpSite(uint8_t* returnAddress, uint32_t a, const uint32_t registers[8]);

}  // namespace toravex
