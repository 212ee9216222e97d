// uint32_t probe_compare_flags(void* routine, const void* s1, const void* s2)
// (cdecl): calls a flags-result string comparison (S1 in EAX, S2 in EDX) and
// returns the flags it left. The call is an indirect one (FF D1) whose fifth
// byte before the return address is no E8, and the instruction after it
// (PUSHFD) tests nothing, so the comparison answers in full and rewrites
// nothing.
        .intel_syntax noprefix
        .text
        .globl  _probe_compare_flags
_probe_compare_flags:
        push    ebx
        push    esi
        push    edi
        mov     ecx, [esp+16]
        mov     eax, [esp+20]
        mov     edx, [esp+24]
        call    ecx
        pushfd
        pop     eax
        pop     edi
        pop     esi
        pop     ebx
        ret
