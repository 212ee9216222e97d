// void testsupport_host_call(void* routine, HostCallFrame* frame)   (cdecl)
// Calls routine the way host code does: EAX, EDX and ECX from the frame, the
// stack arguments pushed in the frame's order (first pushed first), EBX, ESI,
// EDI and EBP loaded with marker values. Records EAX, EDX, the flags, how
// many bytes of arguments the routine removed, whether the markers survived,
// whether the FPU/MMX registers were left empty and the direction flag clear
// (see HostCaller.h for the frame). Not re-entrant (one test thread).
        .intel_syntax noprefix
        .text
        .globl  _testsupport_host_call
_testsupport_host_call:
        push    ebp
        push    ebx
        push    esi
        push    edi
        mov     edi, [esp+20]               // routine
        mov     esi, [esp+24]               // frame
        mov     [Frame], esi
        mov     [Target], edi
        mov     [EspBefore], esp
        mov     ecx, [esi+12]               // stack argument count
        xor     ebx, ebx
1:      cmp     ebx, ecx
        jae     2f
        push    dword ptr [esi+16+ebx*4]
        inc     ebx
        jmp     1b
2:      mov     eax, [esi]
        mov     edx, [esi+4]
        mov     ecx, [esi+8]
        mov     ebx, 0x11111111
        mov     esi, 0x22222222
        mov     edi, 0x33333333
        mov     ebp, 0x44444444
        call    dword ptr [Target]
        mov     [OutEax], eax
        mov     [OutEdx], edx
        pushfd
        pop     dword ptr [OutFlags]
        mov     [EspAfter], esp
        xor     eax, eax
        cmp     ebx, 0x11111111
        jne     3f
        cmp     esi, 0x22222222
        jne     3f
        cmp     edi, 0x33333333
        jne     3f
        cmp     ebp, 0x44444444
        jne     3f
        inc     eax
3:      mov     esp, [EspBefore]
        mov     esi, [Frame]
        mov     [esi+52], eax               // preserved
        sub     esp, 28
        fnstenv [esp]
        fldenv  [esp]
        xor     eax, eax
        cmp     word ptr [esp+8], 0xFFFF    // tag word: every register empty
        sete    al
        add     esp, 28
        mov     [esi+56], eax               // fpuEmpty
        mov     eax, [OutFlags]
        shr     eax, 10
        and     eax, 1
        xor     eax, 1
        mov     [esi+60], eax               // directionClear
        cld
        mov     eax, [OutEax]
        mov     [esi+48-12], eax            // outEax
        mov     eax, [OutEdx]
        mov     [esi+48-8], eax             // outEdx
        mov     eax, [OutFlags]
        mov     [esi+48-4], eax             // outFlags
        mov     eax, [EspAfter]             // removed = after - (before - 4 * count)
        mov     ecx, [esi+12]
        shl     ecx, 2
        sub     eax, [EspBefore]
        add     eax, ecx
        mov     [esi+48], eax               // stackRemoved
        pop     edi
        pop     esi
        pop     ebx
        pop     ebp
        ret

        .bss
        .align  4
Frame:      .space 4
Target:     .space 4
EspBefore:  .space 4
EspAfter:   .space 4
OutEax:     .space 4
OutEdx:     .space 4
OutFlags:   .space 4
