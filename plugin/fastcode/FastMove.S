// Move(Source, Dest, Count) in five processor variants (contract in
// FastMove.h): EAX = Source, EDX = Dest, ECX = Count. EBX, ESI, EDI and EBP
// are kept; the FPU and MMX registers are left empty.
//
// Building blocks, shared by the variants:
//   small copies      one straight-line sequence per count 0..36, each 32-bit
//                     load followed at once by its store, in the safe
//                     direction, so overlapping blocks copy correctly. They
//                     change only ECX, so the large paths also call them.
//   head and tail     the first and last 8 or 16 bytes are loaded before the
//                     loop and stored after it, so the loop can run on an
//                     aligned destination without caring for the ends.
//   block routine     a 16-byte-aligned destination, a multiple of 16 bytes:
//                     128-byte steps (ordinary or non-temporal), then 16.
        .intel_syntax noprefix
        .text

// Size thresholds (bytes), the same for every variant.
        .set    SMALL_COPY_MAX, 36      // up to here: one straight-line sequence
        .set    BLOCK_COPY_MIN, 64      // under it (SSE: up to it) the Generic copy
        .set    LARGE_COPY_MIN, 2048    // from here: the larger steps

// ---------------------------------------------------------------------------
// Small copies. EAX = source, EDX = dest, ECX = count (0..36). Forward runs
// from the low end up with the 1-3 odd bytes last at the high end; backward
// from the high end down with the odd bytes last at the low end.

.macro SMALL_FORWARD n
        .set    off, 0
        .rept   \n / 4
        mov     ecx, [eax+off]
        mov     [edx+off], ecx
        .set    off, off + 4
        .endr
        .if     (\n % 4) >= 2
        mov     cx, [eax+off]
        mov     [edx+off], cx
        .set    off, off + 2
        .endif
        .if     \n % 2
        mov     cl, [eax+off]
        mov     [edx+off], cl
        .endif
        ret
.endm

.macro SMALL_BACKWARD n
        .set    off, \n
        .rept   \n / 4
        .set    off, off - 4
        mov     ecx, [eax+off]
        mov     [edx+off], ecx
        .endr
        .if     (\n % 4) >= 2
        .set    off, off - 2
        mov     cx, [eax+off]
        mov     [edx+off], cx
        .endif
        .if     \n % 2
        mov     cl, [eax]
        mov     [edx], cl
        .endif
        ret
.endm

#define SMALL_COUNTS 0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30,31,\
                     32,33,34,35,36

        .p2align 4
.irp n, SMALL_COUNTS
small_forward_\n:
        SMALL_FORWARD \n
.endr
.irp n, SMALL_COUNTS
small_backward_\n:
        SMALL_BACKWARD \n
.endr

        .section .rdata, "dr"
        .p2align 2
small_forward:
.irp n, SMALL_COUNTS
        .long   small_forward_\n
.endr
small_backward:
.irp n, SMALL_COUNTS
        .long   small_backward_\n
.endr
        .text

// ---------------------------------------------------------------------------
// Dispatch common to all variants.
//   Count <= 36 (unsigned, so negative counts fall through): small copy in
//   the safe direction, nothing when Source = Dest.
//   Count < 0: nothing.
//   Source above Dest, or Source + Count not above Dest: large forward copy;
//   Source = Dest: nothing; otherwise large backward copy.

.macro MOVE_ENTRY name, forward, backward
        .globl  _\name
        .p2align 4
_\name:
        cmp     ecx, SMALL_COPY_MAX
        ja      1f
        cmp     eax, edx
        ja      2f
        je      3f
        jmp     dword ptr [small_backward+ecx*4]
2:      jmp     dword ptr [small_forward+ecx*4]
1:      test    ecx, ecx
        jl      3f
        cmp     eax, edx
        ja      \forward
        je      3f
        sub     edx, eax                // Dest - Source
        cmp     edx, ecx
        lea     edx, [edx+eax]          // (keeps the flags)
        jae     \forward
        jmp     \backward
3:      ret
.endm

// ---------------------------------------------------------------------------
// Generic: 8-byte blocks through the FPU. FILD/FISTP of a 64-bit integer
// reproduce every bit pattern exactly. Count >= 37.

        .p2align 4
generic_forward:
        fild    qword ptr [eax]                 // the first 8 bytes
        fild    qword ptr [eax+ecx-8]           // the last 8 bytes
        push    ebx
        lea     ebx, [edx+ecx-8]                // where the last 8 go
        sub     eax, edx                        // Source - Dest
        lea     ecx, [edx+8]
        and     ecx, -8                         // first aligned block after Dest
1:      fild    qword ptr [ecx+eax]
        fistp   qword ptr [ecx]
        add     ecx, 8
        cmp     ecx, ebx
        jb      1b
        fistp   qword ptr [ebx]
        fistp   qword ptr [edx]
        pop     ebx
        ret

        .p2align 4
generic_backward:
        fild    qword ptr [eax+ecx-8]           // the last 8 bytes
        fild    qword ptr [eax]                 // the first 8 bytes
        push    ebx
        lea     ebx, [edx+ecx-8]
        sub     eax, edx
        lea     ecx, [edx+ecx-1]
        and     ecx, -8                         // aligned end of the top block
        sub     ecx, 8
1:      fild    qword ptr [ecx+eax]
        fistp   qword ptr [ecx]
        sub     ecx, 8
        cmp     ecx, edx
        ja      1b
        fistp   qword ptr [edx]
        fistp   qword ptr [ebx]
        pop     ebx
        ret

        MOVE_ENTRY MoveGeneric, generic_forward, generic_backward

// ---------------------------------------------------------------------------
// MMX: 32-byte steps through MMX registers with the destination aligned to
// 8; from 2048 bytes 64-byte steps through all eight. Under 64 as Generic.

        .p2align 4
mmx_forward:
        cmp     ecx, BLOCK_COPY_MIN
        jb      generic_forward
        cmp     ecx, LARGE_COPY_MIN
        jae     mmx_forward_large
        movq    mm0, [eax]                      // the first 8 bytes
        push    ebx
        lea     ebx, [edx+ecx-32]               // last start of a whole step
        sub     eax, edx
        lea     ecx, [edx+8]
        and     ecx, -8
1:      movq    mm1, [ecx+eax]
        movq    mm2, [ecx+eax+8]
        movq    mm3, [ecx+eax+16]
        movq    mm4, [ecx+eax+24]
        movq    [ecx], mm1
        movq    [ecx+8], mm2
        movq    [ecx+16], mm3
        movq    [ecx+24], mm4
        add     ecx, 32
        cmp     ecx, ebx
        jbe     1b
        movq    [edx], mm0
        emms
        mov     edx, ecx                        // the last 0..31 bytes
        add     eax, ecx
        lea     ecx, [ebx+32]
        sub     ecx, edx
        pop     ebx
        jmp     dword ptr [small_forward+ecx*4]

mmx_forward_large:
        push    esi
        push    edi
        push    ecx
        mov     ecx, edx
        neg     ecx
        and     ecx, 15                         // bytes up to a 16-byte boundary
        call    dword ptr [small_forward+ecx*4]
        mov     ecx, edx
        neg     ecx
        and     ecx, 15
        lea     esi, [eax+ecx]
        lea     edi, [edx+ecx]
        pop     eax
        sub     eax, ecx                        // bytes left
        mov     ecx, eax
        shr     ecx, 6
1:      movq    mm0, [esi]
        movq    mm1, [esi+8]
        movq    mm2, [esi+16]
        movq    mm3, [esi+24]
        movq    mm4, [esi+32]
        movq    mm5, [esi+40]
        movq    mm6, [esi+48]
        movq    mm7, [esi+56]
        movq    [edi], mm0
        movq    [edi+8], mm1
        movq    [edi+16], mm2
        movq    [edi+24], mm3
        movq    [edi+32], mm4
        movq    [edi+40], mm5
        movq    [edi+48], mm6
        movq    [edi+56], mm7
        add     esi, 64
        add     edi, 64
        dec     ecx
        jnz     1b
        emms
        mov     ecx, eax                        // the last 0..63 bytes
        and     eax, 3
        shr     ecx, 2
        and     ecx, 15
        rep movsd
        mov     ecx, eax
        rep movsb
        pop     edi
        pop     esi
        ret

        .p2align 4
mmx_backward:
        cmp     ecx, BLOCK_COPY_MIN
        jb      generic_backward
        movq    mm0, [eax+ecx-8]                // the last 8 bytes
        push    ebx
        push    edx
        lea     ebx, [edx+ecx-8]
        sub     eax, edx
        lea     ecx, [edx+ecx-1]
        and     ecx, -8                         // aligned end of the top step
        add     edx, 32                         // steps while their start >= Dest
1:      movq    mm1, [ecx+eax-8]
        movq    mm2, [ecx+eax-16]
        movq    mm3, [ecx+eax-24]
        movq    mm4, [ecx+eax-32]
        movq    [ecx-8], mm1
        movq    [ecx-16], mm2
        movq    [ecx-24], mm3
        movq    [ecx-32], mm4
        sub     ecx, 32
        cmp     ecx, edx
        jae     1b
        movq    [ebx], mm0
        emms
        pop     edx                             // the first 0..31 bytes
        add     eax, edx
        sub     ecx, edx
        pop     ebx
        jmp     dword ptr [small_backward+ecx*4]

        MOVE_ENTRY MoveMMX, mmx_forward, mmx_backward

// ---------------------------------------------------------------------------
// Block routine: EAX = source, EDX = dest (16-byte aligned), ECX = count (a
// multiple of 16). Returns EAX and EDX advanced by the count; changes ECX and
// XMM0-7. 128-byte steps, non-temporal when UseNonTemporalMove says so, with
// a loop each for an aligned and an unaligned source; then 16-byte steps.
//   load_a / load_u   aligned / unaligned 16-byte load
//   store / store_nt  aligned / non-temporal 16-byte store

.macro STEP_128 load, store, prefetch
        .ifnb   \prefetch
        prefetchnta [eax+ecx+512]
        prefetchnta [eax+ecx+576]
        .endif
        \load   xmm0, [eax+ecx]
        \load   xmm1, [eax+ecx+16]
        \load   xmm2, [eax+ecx+32]
        \load   xmm3, [eax+ecx+48]
        \load   xmm4, [eax+ecx+64]
        \load   xmm5, [eax+ecx+80]
        \load   xmm6, [eax+ecx+96]
        \load   xmm7, [eax+ecx+112]
        \store  [edx+ecx], xmm0
        \store  [edx+ecx+16], xmm1
        \store  [edx+ecx+32], xmm2
        \store  [edx+ecx+48], xmm3
        \store  [edx+ecx+64], xmm4
        \store  [edx+ecx+80], xmm5
        \store  [edx+ecx+96], xmm6
        \store  [edx+ecx+112], xmm7
        add     ecx, 128
.endm

.macro BLOCK_ROUTINE name, load_a, load_u, store, store_nt
        .p2align 4
\name:
        push    ecx
        push    eax
        push    edx
        mov     eax, ecx
        mov     edx, [_LargeMoveThreshold]
        call    _UseNonTemporalMove
        test    al, al
        pop     edx
        pop     eax
        mov     ecx, [esp]
        jnz     5f
        and     ecx, -128                       // ordinary loops
        jz      8f
        add     eax, ecx
        add     edx, ecx
        neg     ecx
        test    eax, 15
        jnz     2f
        .p2align 4
1:      STEP_128 \load_a, \store
        jnz     1b
        jmp     8f
        .p2align 4
2:      STEP_128 \load_u, \store
        jnz     2b
        jmp     8f
5:      and     ecx, -128                       // non-temporal loops
        add     eax, ecx
        add     edx, ecx
        neg     ecx
        test    eax, 15
        jnz     7f
        .p2align 4
6:      STEP_128 \load_a, \store_nt, prefetch
        jnz     6b
        sfence
        jmp     8f
        .p2align 4
7:      STEP_128 \load_u, \store_nt, prefetch
        jnz     7b
        sfence
8:      pop     ecx                             // the 0..112 bytes left
        and     ecx, 127
        jz      10f
        add     eax, ecx
        add     edx, ecx
        neg     ecx
9:      \load_u xmm0, [eax+ecx]
        \store  [edx+ecx], xmm0
        add     ecx, 16
        jnz     9b
10:     ret
.endm

// ---------------------------------------------------------------------------
// SSE family. Forward: up to 64 as Generic; up to 2047 the first 16 bytes
// saved, 32-byte steps with aligned stores, the last 0-31 bytes by a small
// copy; from 2048 a small copy up to a 16-byte boundary, the block routine,
// then a small copy of the last 0-15 bytes. Backward: up to 64 as Generic,
// else the last 16 bytes saved and 32-byte steps down, whatever the size.
//   load_u / store   unaligned load / aligned store (forward 32-byte steps)
//   back_u           unaligned load of the backward 32-byte steps
//   move_u           unaligned load and store of the saved 16 bytes

.macro SSE_FAMILY prefix, load_u, back_u, store, move_u, block
        .p2align 4
\prefix\()_forward:
        cmp     ecx, BLOCK_COPY_MIN
        jbe     generic_forward
        cmp     ecx, LARGE_COPY_MIN
        jae     \prefix\()_forward_large
        \move_u xmm0, [eax]                     // the first 16 bytes
        push    ebx
        lea     ebx, [edx+ecx-32]
        sub     eax, edx
        lea     ecx, [edx+16]
        and     ecx, -16
1:      \load_u xmm1, [ecx+eax]
        \load_u xmm2, [ecx+eax+16]
        \store  [ecx], xmm1
        \store  [ecx+16], xmm2
        add     ecx, 32
        cmp     ecx, ebx
        jbe     1b
        \move_u [edx], xmm0
        mov     edx, ecx                        // the last 0..31 bytes
        add     eax, ecx
        lea     ecx, [ebx+32]
        sub     ecx, edx
        pop     ebx
        jmp     dword ptr [small_forward+ecx*4]

\prefix\()_forward_large:
        push    ecx
        mov     ecx, edx
        neg     ecx
        and     ecx, 15                         // bytes up to a 16-byte boundary
        call    dword ptr [small_forward+ecx*4]
        mov     ecx, edx
        neg     ecx
        and     ecx, 15
        add     eax, ecx
        add     edx, ecx
        neg     ecx
        add     ecx, [esp]
        mov     [esp], ecx                      // bytes left
        and     ecx, -16
        call    \block
        pop     ecx
        and     ecx, 15
        jmp     dword ptr [small_forward+ecx*4]

        .p2align 4
\prefix\()_backward:
        cmp     ecx, BLOCK_COPY_MIN
        jbe     generic_backward
        \move_u xmm0, [eax+ecx-16]              // the last 16 bytes
        push    ebx
        push    edx
        lea     ebx, [edx+ecx-16]
        sub     eax, edx
        lea     ecx, [edx+ecx-1]
        and     ecx, -16                        // aligned end of the top step
        add     edx, 32
1:      \back_u xmm1, [ecx+eax-16]
        \back_u xmm2, [ecx+eax-32]
        \store  [ecx-16], xmm1
        \store  [ecx-32], xmm2
        sub     ecx, 32
        cmp     ecx, edx
        jae     1b
        \move_u [ebx], xmm0
        pop     edx                             // the first 0..31 bytes
        add     eax, edx
        sub     ecx, edx
        pop     ebx
        jmp     dword ptr [small_backward+ecx*4]
.endm

        BLOCK_ROUTINE sse_block, movaps, movups, movaps, movntps
        SSE_FAMILY sse, movups, movups, movaps, movups, sse_block
        MOVE_ENTRY MoveSSE, sse_forward, sse_backward

        BLOCK_ROUTINE sse2_block, movdqa, movdqu, movdqa, movntdq
        SSE_FAMILY sse2, movdqu, movdqu, movdqa, movdqu, sse2_block
        MOVE_ENTRY MoveSSE2, sse2_forward, sse2_backward

        BLOCK_ROUTINE sse3_block, movdqa, lddqu, movdqa, movntdq
        SSE_FAMILY sse3, lddqu, movdqu, movdqa, movdqu, sse3_block
        MOVE_ENTRY MoveSSE3, sse3_forward, sse3_backward
