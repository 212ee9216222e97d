// The C runtime linked into the emulated compiler libraries (dcc100.dll ...,
// comp32x.dll, comp32p.dll), laid out as the host's compiler libraries lay
// theirs out: memcpy, memmove, memset, two routines the plug-in leaves alone
// (strcpy, strchr), strcat, strlen, memcmp. The six routines the plug-in
// looks for are emitted from the shared table (hostabi/CompilerRoutines.inc)
// in the rows of this library's build, so they are byte for byte what the
// plug-in compares. They sit in a section that the linker places after the
// library's other code, and so after its exported entries.
//
// Built with EMUHOST_BUILD=<version>; with EMUHOST_MEMCPY_BUILD=<version>
// the memcpy of another build is emitted instead (a library whose memcpy the
// plug-in does not recognise).
        .intel_syntax noprefix

// The build bits of hostabi/HostNames.h.
#define B50 1
#define B60 2
#define B70 4
#define B90 8
#define B100 16
#define ALL 31
#define BUILD_BIT_(v) B##v
#define BUILD_BIT(v) BUILD_BIT_(v)
#ifndef EMUHOST_MEMCPY_BUILD
#define EMUHOST_MEMCPY_BUILD EMUHOST_BUILD
#endif

// One routine of the table: its bytes when its row is the build's.
#define COMPILER_ROUTINE(id, builds, routine, ...) \
        .ifc routine,WANTED ; .if ((builds) & WANTED_BUILD) ; .byte __VA_ARGS__ ; .endif ; .endif

        .section .text$crt,"x"

        .balign 16, 0xCC
        .globl  _crt_memcpy
_crt_memcpy:
#define WANTED memcpy
#define WANTED_BUILD BUILD_BIT(EMUHOST_MEMCPY_BUILD)
#include "CompilerRoutines.inc"
#undef WANTED
#undef WANTED_BUILD
#define WANTED_BUILD BUILD_BIT(EMUHOST_BUILD)

        .balign 16, 0xCC
        .globl  _crt_memmove
_crt_memmove:
#define WANTED memmove
#include "CompilerRoutines.inc"
#undef WANTED

        .balign 16, 0xCC
        .globl  _crt_memset
_crt_memset:
#define WANTED memset
#include "CompilerRoutines.inc"
#undef WANTED

// char* strcpy(char* dest, const char* source): copies source with its zero;
// returns dest.
        .balign 16, 0xCC
        .globl  _crt_strcpy
_crt_strcpy:
        push    ebp
        mov     ebp, esp
        mov     edx, [ebp+8]
        mov     ecx, [ebp+12]
1:      mov     al, [ecx]
        mov     [edx], al
        inc     ecx
        inc     edx
        test    al, al
        jnz     1b
        mov     eax, [ebp+8]
        pop     ebp
        ret

// char* strchr(const char* s, int c): the first c in s (its zero included);
// nil when there is none.
        .balign 16, 0xCC
        .globl  _crt_strchr
_crt_strchr:
        push    ebp
        mov     ebp, esp
        mov     eax, [ebp+8]
        mov     dl, [ebp+12]
1:      mov     cl, [eax]
        cmp     cl, dl
        je      2f
        inc     eax
        test    cl, cl
        jnz     1b
        xor     eax, eax
2:      pop     ebp
        ret

// The plug-in passes over the 138 bytes from memset's entry; strcat lies
// beyond them.
        .balign 16, 0xCC
        .fill   _crt_memset + 144 - ., 1, 0xCC
        .globl  _crt_strcat
_crt_strcat:
#define WANTED strcat
#include "CompilerRoutines.inc"
#undef WANTED

        .balign 16, 0xCC
        .globl  _crt_strlen
_crt_strlen:
#define WANTED strlen
#include "CompilerRoutines.inc"
#undef WANTED

        .balign 16, 0xCC
        .globl  _crt_memcmp
_crt_memcmp:
#define WANTED memcmp
#include "CompilerRoutines.inc"
#undef WANTED
        .balign 16, 0xCC

        .data
        .balign 4
// memcmp's address, for the callers that reach it through memory.
        .globl  _crt_memcmp_pointer
_crt_memcmp_pointer:
        .long   _crt_memcmp
