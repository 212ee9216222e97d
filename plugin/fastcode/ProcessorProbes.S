// The processor operations of processor detection, in the C convention.
//
//   int  toravex_cpuid_available(void)
//        1 when bit 21 (ID) of EFLAGS can be toggled, so CPUID exists; EFLAGS
//        is restored.
//   void toravex_cpuid(uint32_t leaf, uint32_t registers[4])
//        CPUID with EAX = leaf and ECX = 0; stores EAX, EBX, ECX, EDX in
//        that order.
//   int  toravex_fpu_present(void)
//        The floating-point unit probe: after FNINIT the status word must
//        read 0 and the control word, masked with 0x103F, 0x003F. The
//        caller's floating-point state is saved before and restored after.
//   void toravex_sse_instruction(void)
//        One ANDPS of XMM0 with itself (no change); raises an illegal
//        instruction exception when the operating system has not enabled SSE.
        .intel_syntax noprefix
        .text

        .globl  _toravex_cpuid_available
_toravex_cpuid_available:
        pushfd
        pop     eax
        mov     ecx, eax
        xor     eax, 0x200000
        push    eax
        popfd
        pushfd
        pop     eax
        push    ecx
        popfd
        xor     eax, ecx
        shr     eax, 21
        and     eax, 1
        ret

        .globl  _toravex_cpuid
_toravex_cpuid:
        push    ebx
        push    esi
        mov     eax, [esp+12]
        mov     esi, [esp+16]
        xor     ecx, ecx
        cpuid
        mov     [esi], eax
        mov     [esi+4], ebx
        mov     [esi+8], ecx
        mov     [esi+12], edx
        pop     esi
        pop     ebx
        ret

        .globl  _toravex_fpu_present
_toravex_fpu_present:
        sub     esp, 112                // +0 saved state (108 bytes), +108 status, +110 control
        fnsave  [esp]
        mov     word ptr [esp+108], 0x5A5A
        mov     word ptr [esp+110], 0
        fninit
        fnstsw  word ptr [esp+108]
        xor     eax, eax
        cmp     word ptr [esp+108], 0
        jne     1f
        fnstcw  word ptr [esp+110]
        movzx   ecx, word ptr [esp+110]
        and     ecx, 0x103F
        cmp     ecx, 0x003F
        sete    al
1:      frstor  [esp]
        add     esp, 112
        ret

        .globl  _toravex_sse_instruction
_toravex_sse_instruction:
        andps   xmm0, xmm0
        ret
