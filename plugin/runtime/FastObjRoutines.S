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
2:      jmp     dword ptr [ZeroTail+ecx]        // ECX = 0, 4, ... 28: entry ECX / 4
ZeroTail28:
        mov     dword ptr [edx+24], 0
ZeroTail24:
        mov     dword ptr [edx+20], 0
ZeroTail20:
        mov     dword ptr [edx+16], 0
ZeroTail16:
        mov     dword ptr [edx+12], 0
ZeroTail12:
        mov     dword ptr [edx+8], 0
ZeroTail8:
        mov     dword ptr [edx+4], 0
ZeroTail4:
        mov     dword ptr [edx], 0
ZeroTail0:
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
2:      jmp     dword ptr [CopyTail+ecx]        // ECX = 0, 4, ... 28
CopyTail28:
        mov     edx, [esi+24]
        mov     [edi+24], edx
CopyTail24:
        mov     edx, [esi+20]
        mov     [edi+20], edx
CopyTail20:
        mov     edx, [esi+16]
        mov     [edi+16], edx
CopyTail16:
        mov     edx, [esi+12]
        mov     [edi+12], edx
CopyTail12:
        mov     edx, [esi+8]
        mov     [edi+8], edx
CopyTail8:
        mov     edx, [esi+4]
        mov     [edi+4], edx
CopyTail4:
        mov     edx, [esi]
        mov     [edi], edx
CopyTail0:
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
ZeroTail:
        .long   ZeroTail0, ZeroTail4, ZeroTail8, ZeroTail12, ZeroTail16, ZeroTail20, ZeroTail24, ZeroTail28
CopyTail:
        .long   CopyTail0, CopyTail4, CopyTail8, CopyTail12, CopyTail16, CopyTail20, CopyTail24, CopyTail28
