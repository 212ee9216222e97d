// System.@_ll*: the compiler's 64-bit integer helpers. The first operand is
// in EDX:EAX (high:low), the second (for multiplication, division and
// remainder) on the stack, low word at [ESP+4], high at [ESP+8], removed by
// the helper; shift counts in CL. The result is in EDX:EAX. ECX is not
// preserved. The "o" forms raise the runtime's overflow error (and every
// division its division-by-zero error) through the C++ parts.
        .intel_syntax noprefix
        .text

.macro BINARY name, impl
        .globl  _emu_System_\name
_emu_System_\name:
        push    dword ptr [esp+8]
        push    dword ptr [esp+8]
        push    edx
        push    eax
        call    _emurtl_\impl               // cdecl (a, b): 64-bit result
        add     esp, 16
        ret     8
.endm

.macro SHIFT name, impl
        .globl  _emu_System_\name
_emu_System_\name:
        movzx   ecx, cl
        push    ecx
        push    edx
        push    eax
        call    _emurtl_\impl               // cdecl (a, count)
        add     esp, 12
        ret
.endm

        BINARY  llmul, llmul
        BINARY  llmulo, llmulo
        BINARY  lldiv, lldiv
        BINARY  lldivo, lldivo
        BINARY  llmod, llmod
        BINARY  llmodo, llmodo
        BINARY  lludiv, lludiv
        BINARY  llumod, llumod
        SHIFT   llshl, llshl
        SHIFT   llushr, llushr
