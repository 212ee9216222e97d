// Call sites of the flags-result string comparisons, as compiled host code
// has them: S1 in EAX, S2 in EDX, a direct E8 call, then the instruction
// that consumes the flags. Each fixture is a C routine (S1, S2) -> int.
// The label <name>_call marks the E8 instruction, so tests can read where
// it points.
        .intel_syntax noprefix
        .text

// Each site starts on a 16-byte boundary, so its call's displacement never
// crosses a cache line (such calls are never rewritten).
.macro SITE name, target
        .p2align 4
        .globl  _\name
        .globl  _\name\()_call
_\name:
        mov     eax, [esp+4]
        mov     edx, [esp+8]
_\name\()_call:
        call    \target
.endm

// Returns 1 when the condition held, else 0.
.macro SITE_BRANCH name, target, jcc
        SITE    \name, \target
        \jcc    1f
        xor     eax, eax
        ret
1:      mov     eax, 1
        ret
.endm

// The same with the near form 0F 8x rel32 of the conditional jump.
.macro SITE_BRANCH_NEAR name, target, opcode
        SITE    \name, \target
        .byte   0x0F, \opcode
        .long   1f - (. + 4)
        xor     eax, eax
        ret
1:      mov     eax, 1
        ret
.endm

.macro SITE_SET name, target, setcc
        SITE    \name, \target
        \setcc  al
        movzx   eax, al
        ret
.endm

// Returns the flags the comparison left.
.macro SITE_FLAGS name, target
        SITE    \name, \target
        pushfd
        pop     eax
        ret
.endm

        SITE_BRANCH fixture_lstr_je, _toravex_LStrCmp, je
        SITE_BRANCH fixture_lstr_jne, _toravex_LStrCmp, jne
        SITE_BRANCH_NEAR fixture_lstr_je_near, _toravex_LStrCmp, 0x84
        SITE_BRANCH_NEAR fixture_lstr_jne_near, _toravex_LStrCmp, 0x85
        SITE_SET fixture_lstr_sete, _toravex_LStrCmp, sete
        SITE_SET fixture_lstr_setne, _toravex_LStrCmp, setne
        SITE_BRANCH fixture_lstr_jb, _toravex_LStrCmp, jb
        SITE_BRANCH fixture_lstr_ja, _toravex_LStrCmp, ja
        SITE_FLAGS fixture_lstr_flags, _toravex_LStrCmp
        SITE_BRANCH fixture_lstr_thunk_je, lstr_thunk, je
        SITE_BRANCH fixture_lstr_gnu_thunk_je, lstr_gnu_thunk, je
        SITE_BRANCH fixture_lstr_entry_je, lstr_host_entry, je
        SITE_BRANCH fixture_wstr_je, _toravex_WStrCmp, je
        SITE_BRANCH fixture_wstr_jb, _toravex_WStrCmp, jb
        SITE_FLAGS fixture_wstr_flags, _toravex_WStrCmp
        SITE_FLAGS fixture_equals_flags, _toravex_LStrEquals

// An import thunk of the host linker's shape, and one of the GNU linker's.
lstr_thunk:
        jmp     dword ptr [lstr_slot]
        mov     eax, eax                // 8B C0
lstr_gnu_thunk:
        jmp     dword ptr [lstr_slot]
        nop
        nop
// A host entry redirected by a jump.
lstr_host_entry:
        jmp     _toravex_LStrCmp

        .data
lstr_slot:
        .long   _toravex_LStrCmp
