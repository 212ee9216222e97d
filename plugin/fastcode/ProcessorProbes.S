// The processor operations of processor detection beyond CPUID (which the
// patching primitives provide), in the C convention.
//
//   int  toravex_fpu_present(void)
//        The floating-point unit probe: after FNINIT the status word must
//        read 0 and the control word, masked with 0x103F, 0x003F. The
//        caller's floating-point state is saved before and restored after.
//   void toravex_sse_instruction(void)
//        One ANDPS of XMM0 with itself (no change); raises an illegal
//        instruction exception when the operating system has not enabled SSE.
        .intel_syntax noprefix
        .text

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
