// The allocation routines of the object accelerator that write with MMX
// stores: 8-byte stores in 32-byte blocks, the last partial block (a
// multiple of 4 bytes below 32) through a table of eight cases; and the
// plain release routine, which is one jump.
//
// Contract of the two allocation routines (reached from a NewInstance stub): EAX = the
// accelerator (FastObjAccelerator.h: InstanceSize at 12, CopyDwords at 16,
// Template at 20, the class at 0); EAX = the new instance, nil when the
// host's GetMem gave none. EBX, ESI, EDI and EBP are preserved; ECX and EDX
// change; the MMX state is empty again on return.
        .intel_syntax noprefix
        .text

        .set    AcceleratedClass, 0
        .set    InstanceSize, 12
        .set    CopyDwords, 16
        .set    Template, 20

// void* toravex_AllocZeroedMmx(accelerator): every byte after the first
// word zeroed, then the class reference stored.
        .globl  _toravex_AllocZeroedMmx
        .balign 16
_toravex_AllocZeroedMmx:
        push    ebx
        mov     ebx, eax
        mov     eax, [ebx+InstanceSize]
        call    dword ptr [_toravex_ObjectGetMem]
        test    eax, eax
        jz      9f
        mov     ecx, [ebx+InstanceSize]
        sub     ecx, 4                          // the bytes after the class reference
        lea     edx, [eax+4]
        pxor    mm0, mm0
1:      cmp     ecx, 32
        jb      2f
        movq    [edx], mm0
        movq    [edx+8], mm0
        movq    [edx+16], mm0
        movq    [edx+24], mm0
        add     edx, 32
        sub     ecx, 32
        jmp     1b
2:      jmp     dword ptr [.LZeroTail+ecx]        // ECX = 0, 4, ... 28: entry ECX / 4
.LZeroTail28:
        mov     dword ptr [edx+24], 0
.LZeroTail24:
        mov     dword ptr [edx+20], 0
.LZeroTail20:
        mov     dword ptr [edx+16], 0
.LZeroTail16:
        mov     dword ptr [edx+12], 0
.LZeroTail12:
        mov     dword ptr [edx+8], 0
.LZeroTail8:
        mov     dword ptr [edx+4], 0
.LZeroTail4:
        mov     dword ptr [edx], 0
.LZeroTail0:
        mov     ecx, [ebx+AcceleratedClass]
        mov     [eax], ecx
        emms
9:      pop     ebx
        ret

// void* toravex_AllocCopyPrefixMmx(accelerator): the first CopyDwords words
// copied from the template, then the rest of the instance (a whole number
// of 32-byte blocks) zeroed.
        .globl  _toravex_AllocCopyPrefixMmx
        .balign 16
_toravex_AllocCopyPrefixMmx:
        push    ebx
        push    esi
        push    edi
        mov     ebx, eax
        mov     eax, [ebx+InstanceSize]
        call    dword ptr [_toravex_ObjectGetMem]
        test    eax, eax
        jz      9f
        mov     esi, [ebx+Template]
        mov     edi, eax
        mov     ecx, [ebx+CopyDwords]
        shl     ecx, 2                          // the prefix in bytes
1:      cmp     ecx, 32
        jb      2f
        movq    mm0, [esi]
        movq    mm1, [esi+8]
        movq    mm2, [esi+16]
        movq    mm3, [esi+24]
        movq    [edi], mm0
        movq    [edi+8], mm1
        movq    [edi+16], mm2
        movq    [edi+24], mm3
        add     esi, 32
        add     edi, 32
        sub     ecx, 32
        jmp     1b
2:      jmp     dword ptr [.LCopyTail+ecx]        // ECX = 0, 4, ... 28
.LCopyTail28:
        mov     edx, [esi+24]
        mov     [edi+24], edx
.LCopyTail24:
        mov     edx, [esi+20]
        mov     [edi+20], edx
.LCopyTail20:
        mov     edx, [esi+16]
        mov     [edi+16], edx
.LCopyTail16:
        mov     edx, [esi+12]
        mov     [edi+12], edx
.LCopyTail12:
        mov     edx, [esi+8]
        mov     [edi+8], edx
.LCopyTail8:
        mov     edx, [esi+4]
        mov     [edi+4], edx
.LCopyTail4:
        mov     edx, [esi]
        mov     [edi], edx
.LCopyTail0:
        add     edi, ecx                        // past the prefix
        mov     ecx, [ebx+InstanceSize]
        mov     edx, [ebx+CopyDwords]
        shl     edx, 2
        sub     ecx, edx                        // the zero tail
        pxor    mm0, mm0
3:      cmp     ecx, 32
        jb      4f
        movq    [edi], mm0
        movq    [edi+8], mm0
        movq    [edi+16], mm0
        movq    [edi+24], mm0
        add     edi, 32
        sub     ecx, 32
        jmp     3b
4:      emms
9:      pop     edi
        pop     esi
        pop     ebx
        ret

// void toravex_FreePlain(accelerator, instance): EAX = the accelerator, EDX =
// the instance, which goes straight to the host's FreeMem (a tail jump: the
// stub's caller gets FreeMem's return).
        .globl  _toravex_FreePlain
        .balign 16
_toravex_FreePlain:
        mov     eax, edx
        jmp     dword ptr [_toravex_ObjectFreeMem]

        .section .rdata
        .balign 4
.LZeroTail:
        .long   .LZeroTail0, .LZeroTail4, .LZeroTail8, .LZeroTail12, .LZeroTail16, .LZeroTail20, .LZeroTail24, .LZeroTail28
.LCopyTail:
        .long   .LCopyTail0, .LCopyTail4, .LCopyTail8, .LCopyTail12, .LCopyTail16, .LCopyTail20, .LCopyTail24, .LCopyTail28
