// Long- and wide-string comparison helpers with their result in the flags,
// and the equality-only compare their callers are rewritten to.
//
// Contract of all four (the host's compiler helpers): S1 in EAX, S2 in EDX;
// the result in the flags: ZF set = equal, CF set = S1 sorts below S2
// (unsigned ordering). EAX, EDX and ECX may change; EBX, ESI, EDI, EBP and
// the stack are preserved.
//
// The comparisons look at their caller first: when the instruction at the
// return address only tests equality (JE, JNE, SETE, SETNE), the answer comes
// from the cheaper equality compare, and the call instruction (E8 rel32) is
// rewritten to reach the equality compare directly from then on.
        .intel_syntax noprefix
        .text

// The E8 call before the return address in [esp+4] is rewritten through
// toravex_rewrite_comparison_site(returnAddress, equality, comparison).
.macro REWRITE_IF_DIRECT_CALL equality, comparison
        mov     ecx, [esp]
        cmp     byte ptr [ecx-5], 0xE8
        jne     9f
        push    eax
        push    edx
        push    offset \comparison
        push    offset \equality
        push    ecx
        call    _toravex_rewrite_comparison_site
        add     esp, 12
        pop     edx
        pop     eax
9:
.endm

// Jumps to `equality` when the caller's next instruction tests only ZF.
.macro ANSWER_EQUALITY_CALLERS equality, comparison
        mov     ecx, [esp]              // the return address
        movzx   ecx, word ptr [ecx]     // the caller's next two bytes
        cmp     cl, 0x0F
        je      6f
        and     cl, 0xFE
        cmp     cl, 0x74                // 74 JE short, 75 JNE short
        je      7f
        jmp     8f
6:      and     ch, 0xEE
        cmp     ch, 0x84                // 0F 84 JE, 0F 85 JNE, 0F 94 SETE, 0F 95 SETNE
        jne     8f
7:      REWRITE_IF_DIRECT_CALL \equality, \comparison
        jmp     \equality
8:
.endm

        .globl  _toravex_LStrCmp
_toravex_LStrCmp:
        cmp     eax, edx
        je      .Lret
        test    eax, edx                // nil operands have a zero AND
        jz      .Lnil
.Lboth:
        ANSWER_EQUALITY_CALLERS _toravex_LStrEquals, _toravex_LStrCmp
        mov     cl, [eax]
        cmp     cl, [edx]
        jne     .Lret                   // first bytes decide
        push    ebx
        push    esi
        push    edi
        mov     esi, [eax-4]
        mov     edi, [edx-4]
        mov     ecx, esi
        sub     ecx, edi                // length(S1) - length(S2)
        sbb     ebx, ebx                // all ones when S1 is shorter
        and     ebx, ecx
        add     ebx, edi                // n = the smaller length, without a branch
        push    ecx
        xor     ecx, ecx
.Lwords:
        cmp     ecx, ebx
        jae     .Llengths
        mov     esi, [eax+ecx]
        xor     esi, [edx+ecx]
        jnz     .Ldiffer
        add     ecx, 4
        jmp     .Lwords
.Ldiffer:
        bsf     esi, esi
        shr     esi, 3
        add     ecx, esi                // the first unequal byte
        cmp     ecx, ebx
        jae     .Llengths               // beyond the common length
        pop     esi
        mov     bl, [eax+ecx]
        cmp     bl, [edx+ecx]
        pop     edi
        pop     esi
        pop     ebx
        ret
.Llengths:
        pop     ecx
        add     ecx, ecx                // CF = sign of the difference, ZF = equal
        pop     edi
        pop     esi
        pop     ebx
.Lret:
        ret
.Lnil:
        test    eax, eax
        jz      .Ls1nil
        test    edx, edx
        jnz     .Lboth
        cmp     eax, edx                // S2 nil: above
        ret
.Ls1nil:
        cmp     eax, 1                  // S1 nil: below
        ret

        .globl  _toravex_WStrCmp
_toravex_WStrCmp:
        cmp     eax, edx
        je      .Lwret
        test    eax, edx
        jz      .Lwnil
.Lwboth:
        ANSWER_EQUALITY_CALLERS _toravex_WStrEquals, _toravex_WStrCmp
        mov     cx, [eax]
        cmp     cx, [edx]
        jne     .Lwret                  // first characters decide
        push    ebx
        push    esi
        push    edi
        mov     esi, [eax-4]            // lengths in bytes
        mov     edi, [edx-4]
        mov     ecx, esi
        sub     ecx, edi
        sbb     ebx, ebx
        and     ebx, ecx
        add     ebx, edi
        push    ecx
        xor     ecx, ecx
.Lwwords:
        cmp     ecx, ebx
        jae     .Lwlengths
        mov     esi, [eax+ecx]
        xor     esi, [edx+ecx]
        jnz     .Lwdiffer
        add     ecx, 4
        jmp     .Lwwords
.Lwdiffer:
        bsf     esi, esi
        shr     esi, 3
        add     ecx, esi
        cmp     ecx, ebx
        jae     .Lwlengths
        and     ecx, -2                 // the character holding that byte
        pop     esi
        mov     bx, [eax+ecx]
        cmp     bx, [edx+ecx]
        pop     edi
        pop     esi
        pop     ebx
        ret
.Lwlengths:
        pop     ecx
        add     ecx, ecx
        pop     edi
        pop     esi
        pop     ebx
.Lwret:
        ret
.Lwnil:
        test    eax, eax
        jz      .Lws1nil
        test    edx, edx
        jnz     .Lwboth
        cmp     eax, edx
        ret
.Lws1nil:
        cmp     eax, 1
        ret

// Equality only, for long and wide strings alike: both keep their exact
// length (characters or bytes) in the 4 bytes before the data. ZF set when
// equal. Lengths first, then the last 4 bytes, then words from the start.
        .globl  _toravex_LStrEquals
        .globl  _toravex_WStrEquals
_toravex_LStrEquals:
_toravex_WStrEquals:
        cmp     eax, edx
        je      .Leret
        test    eax, edx
        jz      .Lenil
.Lecompare:
        mov     ecx, [eax-4]
        cmp     ecx, [edx-4]
        jne     .Leret
        push    ebx
        // The 4 bytes ending at the last data byte; for strings shorter than
        // 4 the window reaches into the (equal) length fields.
        mov     ebx, [eax+ecx-4]
        cmp     ebx, [edx+ecx-4]
        jne     .Lepop
        sub     ecx, 4
        jle     .Leequal
        push    esi
        xor     esi, esi
.Leloop:
        mov     ebx, [eax+esi]
        cmp     ebx, [edx+esi]
        jne     .Lepop2
        add     esi, 4
        cmp     esi, ecx
        jl      .Leloop
        pop     esi
.Leequal:
        cmp     eax, eax                // ZF = 1
        pop     ebx
        ret
.Lepop2:
        pop     esi
.Lepop:
        pop     ebx
.Leret:
        ret
.Lenil:
        test    eax, eax
        jz      .Le1nil
        test    edx, edx
        jnz     .Lecompare
        cmp     dword ptr [eax-4], 0    // S2 nil: equal only to an empty S1
        ret
.Le1nil:
        cmp     dword ptr [edx-4], 0
        ret
