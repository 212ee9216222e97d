// System.@RaiseExcept: the host's raise statement. EAX = the exception object;
// the address of the raise is the caller's. The structured exception itself
// (0x0EEDFADE, non-continuable, seven parameters) is raised by the shared
// hostframes_raise, which takes the object as its C argument and the raise
// address from its return address.
        .intel_syntax noprefix
        .text
        .globl  _emu_System_RaiseExcept
_emu_System_RaiseExcept:
        pop     edx                     // the raise address
        push    eax                     // the object, as the C argument
        push    edx                     // the raise address, as the return address
        jmp     _hostframes_raise
