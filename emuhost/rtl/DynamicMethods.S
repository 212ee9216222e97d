// Dynamic-method dispatch helpers of System. The index is a 16-bit value;
// a method that no class of the chain has is the abstract error.
//   @FindDynaInst:  EAX = instance, DX = index -> EAX = code
//   @FindDynaClass: EAX = class,    DX = index -> EAX = code
//   @CallDynaInst:  EAX = instance, SI = index; jumps to the method with
//   @CallDynaClass: EAX = class,    SI = index;  EAX, EDX, ECX unchanged
        .intel_syntax noprefix
        .text

        .globl  _emu_System_FindDynaInst
_emu_System_FindDynaInst:
        mov     eax, [eax]
        .globl  _emu_System_FindDynaClass
_emu_System_FindDynaClass:
        push    ecx
        movsx   edx, dx
        push    edx
        push    eax
        call    _emurtl_DynamicMethod
        add     esp, 8
        pop     ecx
        ret

        .globl  _emu_System_CallDynaInst
_emu_System_CallDynaInst:
        push    eax
        push    edx
        push    ecx
        mov     eax, [eax]
        jmp     1f
        .globl  _emu_System_CallDynaClass
_emu_System_CallDynaClass:
        push    eax
        push    edx
        push    ecx
1:      movsx   esi, si
        push    esi
        push    eax
        call    _emurtl_DynamicMethod
        add     esp, 8
        mov     esi, eax
        pop     ecx
        pop     edx
        pop     eax
        jmp     esi
