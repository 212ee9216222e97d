// Code the compiler hooks put into the compiler libraries (CompilerRuntime.h).
//
// _toravex_compiler_<Id>: every row of the compiler libraries' routine table
// (hostabi/CompilerRoutines.inc) as code of this library; the memcmp row of
// the running build is PlainMemCmp.
//
// _toravex_SmartMemCmp: int memcmp(const void* a, const void* b, size_t
// count), C convention; what a compiler library's memcmp jumps to. Called
// with [esp] = the return address R, then a, b, count. It hands the
// registers as they were at entry to toravex_MemCmpCallSite (cdecl), which
// says whether the calling site is now rewritten. If it is, the caller's
// "add esp, 12" at R is gone: a and R come off the stack, R + 3 goes on, and
// RegisterMemCmp (a in ECX) removes b and count itself. Otherwise the call
// continues in PlainMemCmp with the stack as it came.
        .intel_syntax noprefix
        .text

#define B50 1
#define B60 2
#define B70 4
#define B90 8
#define B100 16
#define ALL 31
#define COMPILER_ROUTINE(id, builds, routine, ...) \
        .balign 16, 0xCC ; .globl _toravex_compiler_##id ; _toravex_compiler_##id: ; .byte __VA_ARGS__
#include "CompilerRoutines.inc"

        .balign 16, 0xCC
        .globl  _toravex_SmartMemCmp
_toravex_SmartMemCmp:
        pushad                                  // EDI ... EAX; the saved ESP points at R
        push    esp
        call    _toravex_MemCmpCallSite
        add     esp, 4
        test    eax, eax
        popad                                   // leaves the flags alone
        jnz     1f
        jmp     dword ptr [_toravex_PlainMemCmpEntry]
1:      pop     edx                             // R
        pop     ecx                             // a
        add     edx, 3                          // past the caller's clean-up
        push    edx
        jmp     _toravex_RegisterMemCmp
