// Dynamic-array helper whose calling convention GCC cannot express.
        .intel_syntax noprefix
        .text

// System.@DynArraySetLength: EAX = address of the array variable, EDX = its
// type information, ECX = number of dimensions, the lengths on the stack
// from [ESP+4] (outermost first), removed by the caller.
        .globl  _emu_System_DynArraySetLength
_emu_System_DynArraySetLength:
        push    esp
        add     dword ptr [esp], 4
        call    _emurtl_DynArraySetLength
        add     esp, 4
        ret
