// Calls of runtime routines as compiled host code makes them, exported so
// that tests can read the call instructions: a direct call of the import
// thunk (E8, the compiler's usual call) and a call through the import slot
// (FF 15). No call's displacement straddles a cache line (a call site whose
// displacement does is never rewritten).
        .intel_syntax noprefix
        .text

// EAX = string -> EAX = its length (System.@LStrLen), the call first.
        .balign 16
        .globl  _dp_LStrLenDirect
_dp_LStrLenDirect:
        call    thunk_System_LStrLen
        ret

        .balign 16
        .globl  _dp_LStrLenIndirect
_dp_LStrLenIndirect:
        call    dword ptr ["__imp_@System@@LStrLen$qqrx17System@AnsiString"]
        ret

// EAX = address of a, EDX = address of b -> EDX:EAX = a * b through
// System.@_llmul, whose second operand is on the stack and removed by the
// routine. The call lies 12 bytes into the routine.
        .balign 64
        .globl  _dp_Int64MulDirect
_dp_Int64MulDirect:
        push    dword ptr [edx+4]
        push    dword ptr [edx]
        mov     ecx, eax
        mov     eax, [ecx]
        mov     edx, [ecx+4]
        call    thunk_System_llmul
        ret
