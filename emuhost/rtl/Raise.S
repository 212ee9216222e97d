// System.@RaiseExcept: the host's raise statement. EAX = the exception object.
// Raises the structured exception 0x0EEDFADE, non-continuable, with seven
// parameters: the address of the raise, the object, then EBX, ESI, EDI, EBP
// and ESP of the raising code.
        .intel_syntax noprefix
        .text
        .globl  _emu_System_RaiseExcept
_emu_System_RaiseExcept:
        pop     edx                     // return address = address of the raise
        push    esp
        push    ebp
        push    edi
        push    esi
        push    ebx
        push    eax                     // the exception object
        push    edx                     // the raise address
        mov     ecx, esp
        push    ecx                     // lpArguments
        push    7                       // nNumberOfArguments
        push    1                       // EXCEPTION_NONCONTINUABLE
        push    0x0EEDFADE              // dwExceptionCode
        call    _RaiseException@16
        int3
