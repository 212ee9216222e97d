// FillChar(Dest, Count, Value) in five variants (contract in FillChar.h):
// EAX = Dest, EDX = Count, CL = Value. EBX, ESI, EDI and EBP are kept; the
// FPU and MMX registers are left empty.
//
// Counts 1..31: the last byte, then the value twice over at every even
// offset below it, highest first, by a computed jump into a run of 16-bit
// stores (FillCharA: one straight-line sequence per count instead).
// Counts from 32: the 8- or 16-byte pattern stored unaligned at the start
// and at the end, aligned stores in between. Non-temporal stores end with a
// store fence, so the filled memory is ordered before later stores.
        .intel_syntax noprefix
        .text

// ---------------------------------------------------------------------------
// EAX = dest, EDX = count (1..31), CL = value.
        .p2align 4
fill_small:
        mov     ch, cl
        mov     [eax+edx-1], cl
        and     edx, -2
        add     edx, edx                // each store below is 4 bytes long
        neg     edx
        add     edx, offset fill_run_end
        jmp     edx
        .set    off, 28
        .rept   15
        {disp8} mov [eax+off], cx
        .set    off, off - 2
        .endr
fill_run_end:
        ret

.macro FILL_ENTRY name, large
        .globl  _\name
        .p2align 4
_\name:
        cmp     edx, 32
        jge     \large
        test    edx, edx
        jg      fill_small
        ret
.endm

// ---------------------------------------------------------------------------
// Straight-line fills for counts 0..31: EAX = dest, ECX = value in all four
// bytes.
.macro FILL_STRAIGHT n
        .set    off, 0
        .rept   \n / 4
        mov     [eax+off], ecx
        .set    off, off + 4
        .endr
        .if     (\n % 4) >= 2
        mov     [eax+off], cx
        .set    off, off + 2
        .endif
        .if     \n % 2
        mov     [eax+off], cl
        .endif
        ret
.endm

#define FILL_COUNTS 0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30,31

        .p2align 4
.irp n, FILL_COUNTS
fill_straight_\n:
        FILL_STRAIGHT \n
.endr

        .section .rdata, "dr"
        .p2align 2
fill_straight:
.irp n, FILL_COUNTS
        .long   fill_straight_\n
.endr
        .text

// ---------------------------------------------------------------------------
// Aligned 16-byte stores of XMM0 over EAX .. EAX+ECX (ECX a multiple of 16):
// single stores up to a multiple of 64, then 64 bytes a step. Changes EDX.
.macro FILL_ALIGNED_16 store
        mov     edx, ecx
        and     edx, 48
        jz      12f
11:     \store  [eax], xmm0
        add     eax, 16
        sub     edx, 16
        jnz     11b
12:     and     ecx, -64
        jz      14f
        add     eax, ecx
        neg     ecx
13:     \store  [eax+ecx], xmm0
        \store  [eax+ecx+16], xmm0
        \store  [eax+ecx+32], xmm0
        \store  [eax+ecx+48], xmm0
        add     ecx, 64
        jnz     13b
14:
.endm

// EAX = dest, EDX = count (>= 32), XMM0 = the pattern. Both ends unaligned,
// the inside aligned, non-temporal when it is larger than nt_above.
.macro FILL_LARGE_16 store_u, store_a, store_nt, nt_above
        \store_u [eax], xmm0
        \store_u [eax+edx-16], xmm0
        lea     ecx, [eax+edx]
        and     ecx, -16
        add     eax, 16
        and     eax, -16
        sub     ecx, eax
        cmp     ecx, \nt_above
        ja      20f
        FILL_ALIGNED_16 \store_a
        ret
20:     FILL_ALIGNED_16 \store_nt
        sfence
        ret
.endm

// The value in all four bytes of ECX.
.macro BROADCAST_BYTE
        movzx   ecx, cl
        imul    ecx, ecx, 0x01010101
.endm

// ---------------------------------------------------------------------------
// A: SSE2, straight-line small fills, non-temporal above 1 MB.
        .p2align 4
fill_a_large:
        BROADCAST_BYTE
        movd    xmm0, ecx
        pshufd  xmm0, xmm0, 0
        FILL_LARGE_16 movdqu, movdqa, movntdq, 0x100000

        .globl  _FillCharA
        .p2align 4
_FillCharA:
        cmp     edx, 32
        jge     fill_a_large
        test    edx, edx
        jl      1f
        BROADCAST_BYTE
        jmp     dword ptr [fill_straight+edx*4]
1:      ret

// B: SSE2, non-temporal above 512 KB.
        .p2align 4
fill_b_large:
        BROADCAST_BYTE
        movd    xmm0, ecx
        pshufd  xmm0, xmm0, 0
        FILL_LARGE_16 movdqu, movdqa, movntdq, 0x80000

        FILL_ENTRY FillCharB, fill_b_large

// E: SSE, the pattern broadcast from 32 bits, non-temporal above 512 KB.
        .p2align 4
fill_e_large:
        BROADCAST_BYTE
        push    ecx
        movss   xmm0, [esp]
        pop     ecx
        shufps  xmm0, xmm0, 0
        FILL_LARGE_16 movups, movaps, movntps, 0x80000

        FILL_ENTRY FillCharE, fill_e_large

// ---------------------------------------------------------------------------
// 8-byte pattern stores by the macro `store` (one address argument) over
// both 8-byte ends and the aligned inside: EAX = dest, EDX = count (>= 32);
// one single store when the inside is an odd number of 8-byte units, then 16
// bytes a step.
.macro STORE_MM0 address
        movq    \address, mm0
.endm
.macro STORE_ST0 address
        fst     qword ptr \address
.endm

.macro FILL_LARGE_8 store
        \store  [eax]
        \store  [eax+edx-8]
        lea     ecx, [eax+edx]
        and     ecx, -8
        add     eax, 8
        and     eax, -8
        sub     ecx, eax
        test    ecx, 8
        jz      21f
        \store  [eax]
        add     eax, 8
        sub     ecx, 8
21:     test    ecx, ecx
        jz      23f
        add     eax, ecx
        neg     ecx
22:     \store  [eax+ecx]
        \store  [eax+ecx+8]
        add     ecx, 16
        jnz     22b
23:
.endm

// C: MMX.
        .p2align 4
fill_c_large:
        BROADCAST_BYTE
        movd    mm0, ecx
        punpckldq mm0, mm0
        FILL_LARGE_8 STORE_MM0
        emms
        ret

        FILL_ENTRY FillCharC, fill_c_large

// D: the pattern built in the first 8 bytes, loaded into the FPU once and
// stored from there. As a double it is exact: a repeated byte never forms a
// signalling NaN or a denormal, so loading and storing keep every bit.
        .p2align 4
fill_d_large:
        mov     ch, cl
        mov     [eax], cx
        mov     [eax+2], cx
        mov     [eax+4], cx
        mov     [eax+6], cx
        fld     qword ptr [eax]
        FILL_LARGE_8 STORE_ST0
        fstp    st(0)
        ret

        FILL_ENTRY FillCharD, fill_d_large
