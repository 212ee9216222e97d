// int32_t Max(A, B): EAX = A, EDX = B, result in EAX; changes ECX, EDX and
// the flags only.
        .intel_syntax noprefix
        .text

        .globl  _MaxA
        .p2align 4
_MaxA:
        cmp     edx, eax
        cmovg   eax, edx
        ret

        .globl  _MaxB
        .p2align 4
_MaxB:
        xor     ecx, ecx
        cmp     edx, eax
        setl    cl
        dec     ecx                     // 0 when B < A, else all ones
        sub     edx, eax
        and     edx, ecx
        add     eax, edx
        ret
