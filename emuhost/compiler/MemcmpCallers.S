// Callers of the compiler library's memcmp in the shapes compiled code has:
// the first argument pushed from each register, pushed from memory, and
// memcmp reached through an indirect call. Each is
//
//   int MemcmpVia<Kind>(const void* a, const void* b, int count, int* stackShift)
//
// (C convention): it calls memcmp (a, b, count) the way its name says,
// removes the three arguments as the caller of a C routine does, stores into
// *stackShift by how many bytes the stack moved over the call (0 when it is
// balanced) and returns memcmp's result. MemcmpSite<Kind> labels the
// instruction in front of the call (the push of a, where there is one).
        .intel_syntax noprefix
        .text

        .bss
        .balign 4
stack_before:
        .long   0
scratch_frame:
        .long   0

        .section .text$crt_callers,"x"

// Saves the registers the C convention keeps and remembers the stack; then
// pushes count and b. The arguments are at [esp+20] (a) ... [esp+32].
.macro CALLER_BEGIN kind
        .balign 16, 0xCC
        .globl  _MemcmpVia\kind
_MemcmpVia\kind:
        push    ebp
        push    ebx
        push    esi
        push    edi
        mov     [stack_before], esp
.endm

.macro PUSH_COUNT_AND_B
        push    dword ptr [esp+28]
        push    dword ptr [esp+28]
.endm

// After the caller's clean-up: the stack's shift into *stackShift, the stack
// as it was, the kept registers back.
.macro CALLER_END
        mov     ecx, [stack_before]
        sub     ecx, esp
        mov     esp, [stack_before]
        mov     edx, [esp+32]
        mov     [edx], ecx
        pop     edi
        pop     esi
        pop     ebx
        pop     ebp
        ret
.endm

// push <reg>; call memcmp; add esp, 12
.macro REGISTER_CALLER kind, reg
        CALLER_BEGIN \kind
        PUSH_COUNT_AND_B
        mov     \reg, [esp+28]
        .globl  _MemcmpSite\kind
_MemcmpSite\kind:
        push    \reg
        call    _crt_memcmp
        add     esp, 12
        CALLER_END
.endm

        REGISTER_CALLER Eax, eax
        REGISTER_CALLER Ecx, ecx
        REGISTER_CALLER Edx, edx
        REGISTER_CALLER Ebx, ebx
        REGISTER_CALLER Ebp, ebp
        REGISTER_CALLER Esi, esi
        REGISTER_CALLER Edi, edi

// push esp: a is the stack top itself, where b and count were just pushed.
        CALLER_BEGIN Esp
        PUSH_COUNT_AND_B
        .globl  _MemcmpSiteEsp
_MemcmpSiteEsp:
        push    esp
        call    _crt_memcmp
        add     esp, 12
        CALLER_END

// a pushed from memory: push dword ptr [esp+28] (FF 74 24 1C).
        CALLER_BEGIN Memory
        PUSH_COUNT_AND_B
        .globl  _MemcmpSiteMemory
_MemcmpSiteMemory:
        push    dword ptr [esp+28]
        call    _crt_memcmp
        add     esp, 12
        CALLER_END

// a pushed from memory, the push ending in the byte 54 (the code of push
// esp): push dword ptr [esp+0x54] (FF 74 24 54).
        CALLER_BEGIN MemoryEndingLikePushEsp
        sub     esp, 56
        push    dword ptr [esp+28+56]
        push    dword ptr [esp+28+56]
        .globl  _MemcmpSiteMemoryEndingLikePushEsp
_MemcmpSiteMemoryEndingLikePushEsp:
        push    dword ptr [esp+0x54]
        call    _crt_memcmp
        add     esp, 12
        add     esp, 56
        CALLER_END

// a pushed from memory, the push ending in the byte 56 (the code of push
// esi) while ESI holds a as well: push dword ptr [ebp+0x56] (FF 75 56).
        CALLER_BEGIN MemoryEndingLikePushEsi
        sub     esp, 96
        mov     ebp, esp
        mov     esi, [esp+96+20]
        mov     [ebp+0x56], esi
        push    dword ptr [esp+96+28]
        push    dword ptr [esp+96+28]
        .globl  _MemcmpSiteMemoryEndingLikePushEsi
_MemcmpSiteMemoryEndingLikePushEsi:
        push    dword ptr [ebp+0x56]
        call    _crt_memcmp
        add     esp, 12
        add     esp, 96
        CALLER_END

// push esi; call memcmp; then another instruction before the clean-up.
        CALLER_BEGIN OtherCleanUp
        PUSH_COUNT_AND_B
        mov     esi, [esp+28]
        .globl  _MemcmpSiteOtherCleanUp
_MemcmpSiteOtherCleanUp:
        push    esi
        call    _crt_memcmp
        mov     ebx, eax
        add     esp, 12
        mov     eax, ebx
        CALLER_END

// call eax (FF D0).
        CALLER_BEGIN Register
        PUSH_COUNT_AND_B
        mov     esi, [esp+28]
        mov     eax, offset _crt_memcmp
        .globl  _MemcmpSiteRegister
_MemcmpSiteRegister:
        push    esi
        call    eax
        add     esp, 12
        CALLER_END

// call dword ptr [memcmp's address] (FF 15).
        CALLER_BEGIN Pointer
        PUSH_COUNT_AND_B
        mov     esi, [esp+28]
        .globl  _MemcmpSitePointer
_MemcmpSitePointer:
        push    esi
        call    dword ptr [_crt_memcmp_pointer]
        add     esp, 12
        CALLER_END

// call esi (FF D6) after bytes that end like a direct call: the five bytes
// in front of the return address are E8 52 51 FF D6 (the end of
// mov eax, [ebp-0x18], push edx, push ecx, call esi).
        CALLER_BEGIN RegisterAfterCallLikeBytes
        mov     ecx, [esp+20]
        mov     edx, [esp+24]
        mov     ebx, [esp+28]
        mov     esi, offset _crt_memcmp
        mov     ebp, esp
        push    ebx
        mov     eax, [ebp-0x18]
        push    edx
        .globl  _MemcmpSiteRegisterAfterCallLikeBytes
_MemcmpSiteRegisterAfterCallLikeBytes:
        push    ecx
        call    esi
        add     esp, 12
        CALLER_END
