// uint32_t fastcode_probe_call(const void* routine, const uint32_t regs[3], uint32_t* eaxOut)
// Calls routine as host code does (EAX, EDX, ECX = regs[0..2]) with markers
// in EBX, ESI, EDI and EBP; stores its EAX into *eaxOut and returns what it
// failed to keep: 1 EBX/ESI/EDI/EBP/ESP, 2 the FPU/MMX registers not all
// empty, 4 the direction flag set. Not re-entrant.
        .intel_syntax noprefix
        .text
        .globl  _fastcode_probe_call
_fastcode_probe_call:
        push    ebp
        push    ebx
        push    esi
        push    edi
        mov     eax, [esp+24]
        mov     edx, [eax+4]
        mov     ecx, [eax+8]
        mov     eax, [eax]
        mov     [saved_esp], esp
        mov     ebx, 0xB0B1B2B3
        mov     esi, 0x51525354
        mov     edi, 0xD1D2D3D4
        mov     ebp, 0xEBECEDEE
        call    dword ptr [esp+20]
        mov     [saved_eax], eax
        xor     ebx, 0xB0B1B2B3
        xor     esi, 0x51525354
        xor     edi, 0xD1D2D3D4
        xor     ebp, 0xEBECEDEE
        or      ebx, esi
        or      ebx, edi
        or      ebx, ebp
        mov     eax, esp
        mov     esp, [saved_esp]
        xor     eax, esp
        or      eax, ebx
        neg     eax
        sbb     eax, eax
        and     eax, 1                          // 1: a register changed
        sub     esp, 28
        fnstenv [esp]
        fldenv  [esp]
        cmp     word ptr [esp+8], 0xFFFF        // tag word: all empty
        lea     esp, [esp+28]
        je      1f
        or      eax, 2
1:      pushfd
        test    dword ptr [esp], 0x400
        lea     esp, [esp+4]
        jz      2f
        or      eax, 4
        cld
2:      mov     ecx, [esp+28]
        mov     edx, [saved_eax]
        mov     [ecx], edx
        pop     edi
        pop     esi
        pop     ebx
        pop     ebp
        ret

        .bss
saved_esp:      .space 4
saved_eax:      .space 4
