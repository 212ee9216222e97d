// String equality and order tests of compiled host code: a direct call of
// the LStrCmp or WStrCmp import thunk, its flags result tested by the
// instruction that follows the call, as the host compiler emits them.
// Each routine: EAX = left string, EDX = right string; EAX = 1 or 0. Each
// starts with its call, 16-byte aligned, so that the call's displacement
// never straddles a cache line (a call site whose displacement does is never
// rewritten); the package exports them so that tests can look at the calls.
        .intel_syntax noprefix
        .text

.macro SHORT_JUMP name, helper, opcode
        .balign 16
        .globl  _\name
_\name:
        call    thunk_\helper
        .byte   \opcode, 3                  // Jcc short over the next 3 bytes
        xor     eax, eax
        ret
        mov     eax, 1
        ret
.endm

.macro NEAR_JUMP name, helper, opcode
        .balign 16
        .globl  _\name
_\name:
        call    thunk_\helper
        .byte   0x0F, \opcode               // Jcc near over the next 3 bytes
        .long   3
        xor     eax, eax
        ret
        mov     eax, 1
        ret
.endm

.macro SET_BYTE name, helper, opcode
        .balign 16
        .globl  _\name
_\name:
        call    thunk_\helper
        .byte   0x0F, \opcode, 0xC0         // SETcc al
        movzx   eax, al
        ret
.endm

        SHORT_JUMP dp_LStrEqualJe, System_LStrCmp, 0x74
        SHORT_JUMP dp_LStrDifferJne, System_LStrCmp, 0x75
        NEAR_JUMP  dp_LStrEqualJeNear, System_LStrCmp, 0x84
        NEAR_JUMP  dp_LStrDifferJneNear, System_LStrCmp, 0x85
        SET_BYTE   dp_LStrEqualSete, System_LStrCmp, 0x94
        SET_BYTE   dp_LStrDifferSetne, System_LStrCmp, 0x95
        SHORT_JUMP dp_LStrBelowJb, System_LStrCmp, 0x72
        SHORT_JUMP dp_LStrAboveJa, System_LStrCmp, 0x77
        SHORT_JUMP dp_WStrEqualJe, System_WStrCmp, 0x74
        SET_BYTE   dp_WStrDifferSetne, System_WStrCmp, 0x95
        SHORT_JUMP dp_WStrBelowJb, System_WStrCmp, 0x72
