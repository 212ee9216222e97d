// uint32_t fastcode_probe_call(const void* routine, const uint32_t regs[3], uint32_t* eaxOut)
// Calls routine the way host code does: EAX, EDX, ECX = regs[0..2], marker
// values in EBX, ESI, EDI and EBP. Stores the routine's EAX into *eaxOut and
// returns what the routine failed to keep, as bits: 1 EBX, 2 ESI, 4 EDI,
// 8 EBP, 16 ESP, 32 the FPU and MMX registers not all empty afterwards,
// 64 the direction flag set. Not re-entrant (tests call it from one thread).
        .intel_syntax noprefix
        .text
        .globl  _fastcode_probe_call
_fastcode_probe_call:
        push    ebp
        push    ebx
        push    esi
        push    edi
        mov     eax, [esp+20]
        mov     [probe_routine], eax
        mov     eax, [esp+24]
        mov     edx, [eax+4]
        mov     ecx, [eax+8]
        mov     eax, [eax]
        mov     [probe_esp], esp
        mov     ebx, 0xB0B1B2B3
        mov     esi, 0x51525354
        mov     edi, 0xD1D2D3D4
        mov     ebp, 0xEBECEDEE
        call    dword ptr [probe_routine]
        mov     [probe_eax], eax
        xor     eax, eax
        cmp     ebx, 0xB0B1B2B3
        je      1f
        or      eax, 1
1:      cmp     esi, 0x51525354
        je      2f
        or      eax, 2
2:      cmp     edi, 0xD1D2D3D4
        je      3f
        or      eax, 4
3:      cmp     ebp, 0xEBECEDEE
        je      4f
        or      eax, 8
4:      cmp     esp, [probe_esp]
        je      5f
        or      eax, 16
        mov     esp, [probe_esp]
5:      sub     esp, 28
        fnstenv [esp]
        fldenv  [esp]
        cmp     word ptr [esp+8], 0xFFFF        // tag word: all empty
        je      6f
        or      eax, 32
6:      add     esp, 28
        pushfd
        pop     ecx
        test    ecx, 0x400
        jz      7f
        or      eax, 64
        cld
7:      mov     ecx, [esp+28]
        mov     edx, [probe_eax]
        mov     [ecx], edx
        pop     edi
        pop     esi
        pop     ebx
        pop     ebp
        ret

        .bss
        .p2align 2
probe_routine:  .space 4
probe_esp:      .space 4
probe_eax:      .space 4
