// Frames on the thread's exception-registration chain (fs:[0]) for emulated
// host code written in C++, so that host exceptions (raised with RtlUnwind
// semantics) can be caught or can run a clean-up on their way through.
// Both routines use the C convention.
//   int  emuhost_try(body, context, objectOut)
//        Runs body(context). A host exception (code 0x0EEDFADE) that leaves
//        it is caught: the frames above are unwound, its object is stored
//        into *objectOut and 1 is returned. 0 when body returns normally.
//   void emuhost_on_unwind(body, context, cleanup)
//        Runs body(context); when an exception unwinds through it, runs
//        cleanup(context) and lets the exception go on.
// Registration record: +0 previous, +4 handler, +8 EBP, +12 objectOut or
// cleanup, +16 context.
        .intel_syntax noprefix
        .text

        .globl  _emuhost_try
_emuhost_try:
        push    ebp
        mov     ebp, esp
        push    ebx
        push    esi
        push    edi
        push    0
        push    dword ptr [ebp+16]      // +12 objectOut
        push    ebp                     // +8
        push    offset TryHandler       // +4
        push    dword ptr fs:[0]        // +0
        mov     dword ptr fs:[0], esp
        push    dword ptr [ebp+12]
        call    dword ptr [ebp+8]
        add     esp, 4
        mov     eax, [esp]
        mov     dword ptr fs:[0], eax
        xor     eax, eax
        jmp     1f
Caught:
        mov     eax, 1
1:      lea     esp, [ebp-12]
        pop     edi
        pop     esi
        pop     ebx
        pop     ebp
        ret

TryHandler:
        push    ebx
        push    esi
        mov     esi, [esp+12]           // exception record
        mov     ebx, [esp+16]           // our registration record
        test    dword ptr [esi+4], 6    // unwinding: nothing to do
        jnz     2f
        cmp     dword ptr [esi], 0x0EEDFADE
        jne     2f
        mov     ecx, [ebx+12]
        mov     eax, [esi+24]           // ExceptionInformation[1]: the object
        mov     [ecx], eax
        push    0
        push    esi
        push    offset Unwound
        push    ebx
        call    _RtlUnwind@16
Unwound:
        mov     eax, [ebx]
        mov     dword ptr fs:[0], eax
        mov     ebp, [ebx+8]
        jmp     Caught
2:      pop     esi
        pop     ebx
        mov     eax, 1                  // ExceptionContinueSearch
        ret

        .globl  _emuhost_on_unwind
_emuhost_on_unwind:
        push    ebp
        mov     ebp, esp
        push    dword ptr [ebp+12]      // +16 context
        push    dword ptr [ebp+16]      // +12 cleanup
        push    ebp                     // +8
        push    offset UnwindHandler    // +4
        push    dword ptr fs:[0]        // +0
        mov     dword ptr fs:[0], esp
        push    dword ptr [ebp+12]
        call    dword ptr [ebp+8]
        add     esp, 4
        mov     eax, [esp]
        mov     dword ptr fs:[0], eax
        leave
        ret

UnwindHandler:
        mov     eax, [esp+4]
        test    dword ptr [eax+4], 6
        jz      1f
        mov     edx, [esp+8]
        push    dword ptr [edx+16]
        call    dword ptr [edx+12]
        add     esp, 4
1:      mov     eax, 1
        ret
