// The processor's identification instruction, for C callers (cdecl).
        .intel_syntax noprefix
        .text

// int toravex_has_cpuid(void)
// Flips bit 21 (ID) of EFLAGS, writes it back and reads it again: the bit
// sticks only on processors that have CPUID. EFLAGS is restored. Result in
// EAX: 1 when the bit changed, else 0.
        .globl _toravex_has_cpuid
_toravex_has_cpuid:
        pushfd
        pop     eax
        mov     ecx, eax
        xor     eax, 0x200000
        push    eax
        popfd
        pushfd
        pop     eax
        push    ecx
        popfd
        xor     eax, ecx
        shr     eax, 21
        and     eax, 1
        ret

// void toravex_read_cpuid(uint32_t leaf, uint32_t result[4])
// CPUID with leaf in EAX (ECX cleared); stores EAX, EBX, ECX, EDX in this
// order. EBX and EDI are callee-saved and restored.
        .globl _toravex_read_cpuid
_toravex_read_cpuid:
        push    ebx
        push    edi
        mov     eax, [esp + 12]
        mov     edi, [esp + 16]
        xor     ecx, ecx
        cpuid
        mov     [edi], eax
        mov     [edi + 4], ebx
        mov     [edi + 8], ecx
        mov     [edi + 12], edx
        pop     edi
        pop     ebx
        ret
