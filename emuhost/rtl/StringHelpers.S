// String helpers whose calling convention GCC cannot express.
        .intel_syntax noprefix
        .text

// System.@LStrCatN / System.@WStrCatN: EAX = address of Dest, EDX = number of
// operands (3 or more), the operands on the stack, the first pushed first, so
// [ESP+4] holds the last one. The callee removes the operands.
        .globl  _emu_System_LStrCatN
_emu_System_LStrCatN:
        lea     ecx, [esp+4]
        push    edx
        call    _emurtl_LStrCatN            // (EAX dest, EDX count, ECX operands)
        jmp     DropOperands

        .globl  _emu_System_WStrCatN
_emu_System_WStrCatN:
        lea     ecx, [esp+4]
        push    edx
        call    _emurtl_WStrCatN
DropOperands:
        pop     edx                         // operand count
        pop     ecx                         // return address
        lea     esp, [esp+edx*4]
        jmp     ecx

// System.@WStrSetLength: EAX = address of S, EDX = new length in characters.
// S receives a fresh string keeping the old characters; the store goes
// through the runtime's internal store routine, called right before the
// registers are restored (E8 rel32, then 5F 5E 5B C3).
        .globl  _emu_System_WStrSetLength
_emu_System_WStrSetLength:
        push    ebx
        push    esi
        push    edi
        mov     ebx, eax
        mov     esi, edx
        push    esi
        push    dword ptr [ebx]
        call    _emurtl_WideResized         // cdecl (old, length): the new value
        add     esp, 8
        mov     edx, eax
        mov     eax, ebx
        call    WStrSet
        pop     edi
        pop     esi
        pop     ebx
        ret

// The internal wide-string store: EAX = address of the variable, EDX = new
// value. Exchanges them and frees the old value with SysFreeString.
WStrSet:
        xchg    [eax], edx
        test    edx, edx
        jz      1f
        push    edx
        call    _SysFreeString@4
1:      ret
