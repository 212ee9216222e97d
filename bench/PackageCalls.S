// Call sites of runtime helpers for bench_packages: loops that call a
// routine through an import thunk of the host linker's shape (E8 to
// FF 25 <slot> 8B C0) or through the import slot itself (FF 15 <slot>),
// as compiled host code does. Two slots per routine: "host" always holds the
// routine; "bound" is where the benchmark puts what the package import
// resolver would put there. No call's displacement straddles a cache line.
        .intel_syntax noprefix

        .data
        .balign 4
        .globl  _bench_slot_LStrLen_host, _bench_slot_LStrLen_bound
        .globl  _bench_slot_llmul_host, _bench_slot_llmul_bound
_bench_slot_LStrLen_host:       .long 0
_bench_slot_LStrLen_bound:      .long 0
_bench_slot_llmul_host:         .long 0
_bench_slot_llmul_bound:        .long 0

        .text
.macro THUNK name, slot
        .balign 8
\name:  jmp     dword ptr [\slot]
        .byte   0x8B, 0xC0
.endm
        THUNK   thunk_LStrLen_host, _bench_slot_LStrLen_host
        THUNK   thunk_LStrLen_bound, _bench_slot_LStrLen_bound
        THUNK   thunk_llmul_host, _bench_slot_llmul_host
        THUNK   thunk_llmul_bound, _bench_slot_llmul_bound

// EAX = string, EDX = number of calls (at least 1) -> EAX = sum of the lengths.
.macro LSTRLEN_LOOP name, call:vararg
        .balign 64
        .globl  _\name
_\name:
        push    ebx
        push    esi
        push    edi
        mov     esi, eax
        mov     edi, edx
        xor     ebx, ebx
1:      mov     eax, esi
        \call
        add     ebx, eax
        dec     edi
        jnz     1b
        mov     eax, ebx
        pop     edi
        pop     esi
        pop     ebx
        ret
.endm

// EAX = address of a, EDX = address of b, ECX = number of calls (at least
// 1) -> EAX = sum of the low words of a * b. System.@_llmul takes a in
// EDX:EAX and b on the stack, and removes b.
.macro LLMUL_LOOP name, call:vararg
        .balign 64
        .globl  _\name
_\name:
        push    ebx
        push    esi
        push    edi
        push    ebp
        mov     esi, eax
        mov     edi, edx
        mov     ebp, ecx
        xor     ebx, ebx
1:      push    dword ptr [edi+4]
        push    dword ptr [edi]
        mov     eax, [esi]
        mov     edx, [esi+4]
        \call
        add     ebx, eax
        dec     ebp
        jnz     1b
        mov     eax, ebx
        pop     ebp
        pop     edi
        pop     esi
        pop     ebx
        ret
.endm

        LSTRLEN_LOOP bench_LStrLenThroughThunk, call thunk_LStrLen_host
        LSTRLEN_LOOP bench_LStrLenBound, call thunk_LStrLen_bound
        LSTRLEN_LOOP bench_LStrLenBoundIndirect, call dword ptr [_bench_slot_LStrLen_bound]
        LLMUL_LOOP   bench_llmulThroughThunk, call thunk_llmul_host
        LLMUL_LOOP   bench_llmulBound, call thunk_llmul_bound
        LLMUL_LOOP   bench_llmulBoundIndirect, call dword ptr [_bench_slot_llmul_bound]
