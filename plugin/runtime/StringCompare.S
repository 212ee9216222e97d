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

// The ordering comparison of strings whose characters are `unit` bytes wide
// (1: long strings, 2: wide strings; lengths are in characters and in bytes
// respectively, so both walk bytes). Null operands answer first; then the
// caller decides between the equality compare and the full order: first
// characters, then 32-bit words over the common length with the first
// unequal character found by a bit scan, else the length difference.
.macro ORDERED_COMPARE name, equality, unit
        .globl  _\name
_\name:
        cmp     eax, edx
        je      .L\name\()_ret
        test    eax, edx                // nil operands have a zero AND
        jz      .L\name\()_nil
.L\name\()_both:
        ANSWER_EQUALITY_CALLERS _\equality, _\name
.if \unit == 1
        mov     cl, [eax]
        cmp     cl, [edx]
.else
        mov     cx, [eax]
        cmp     cx, [edx]
.endif
        jne     .L\name\()_ret        // the first characters decide
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
.L\name\()_words:
        cmp     ecx, ebx
        jae     .L\name\()_lengths
        mov     esi, [eax+ecx]
        xor     esi, [edx+ecx]
        jnz     .L\name\()_differ
        add     ecx, 4
        jmp     .L\name\()_words
.L\name\()_differ:
        bsf     esi, esi
        shr     esi, 3
        add     ecx, esi                // the first unequal byte
        cmp     ecx, ebx
        jae     .L\name\()_lengths    // beyond the common length
        pop     esi
.if \unit == 1
        mov     bl, [eax+ecx]
        cmp     bl, [edx+ecx]
.else
        and     ecx, -2                 // the character holding that byte
        mov     bx, [eax+ecx]
        cmp     bx, [edx+ecx]
.endif
        pop     edi
        pop     esi
        pop     ebx
        ret
.L\name\()_lengths:
        pop     ecx
        add     ecx, ecx                // CF = sign of the difference, ZF = equal
        pop     edi
        pop     esi
        pop     ebx
.L\name\()_ret:
        ret
.L\name\()_nil:
        test    eax, eax
        jz      .L\name\()_s1nil
        test    edx, edx
        jnz     .L\name\()_both
        cmp     eax, edx                // S2 nil: above
        ret
.L\name\()_s1nil:
        cmp     eax, 1                  // S1 nil: below
        ret
.endm

        ORDERED_COMPARE toravex_LStrCmp, toravex_LStrEquals, 1
        ORDERED_COMPARE toravex_WStrCmp, toravex_WStrEquals, 2

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
