// Host exceptions in frames of code written in C++ (the plug-in's, and the
// emulated host's own).
//
// The host raises exceptions as structured exceptions (code 0x0EEDFADE) and
// unwinds with RtlUnwind, so the only frames it knows about are those on the
// thread's exception-registration chain (fs:[0]). These three routines put
// C++ frames on that chain.
//
// All three use the C convention.
//   int  hostframes_try_except(body, context, filter, filterContext, caught)
//        Runs body(context). When an exception passes that filter(record,
//        filterContext) accepts, unwinds the frames above (running their
//        clean-ups), stores code, address and object into caught (when not
//        nil) and returns 1; returns 0 when body returns normally.
//   void hostframes_try_finally(body, context, cleanup)
//        Runs body(context), then cleanup(context); cleanup also runs when an
//        exception unwinds through, which then goes on unwinding.
//   void hostframes_raise(object)
//        Raises object the way the host's raise statement does. No return.
//
// Registration record, on the stack of the protected frame:
//   +0 previous record   +4 handler   +8 EBP of the frame
//   +12 filter / cleanup    +16 filter context / context    +20 caught
        .intel_syntax noprefix
        .text

        .globl  _hostframes_try_except
_hostframes_try_except:
        push    ebp
        mov     ebp, esp
        push    ebx
        push    esi
        push    edi
        push    dword ptr [ebp+24]      // +20 caught
        push    dword ptr [ebp+20]      // +16 filter context
        push    dword ptr [ebp+16]      // +12 filter
        push    ebp                     // +8
        push    offset except_handler   // +4
        push    dword ptr fs:[0]        // +0
        mov     dword ptr fs:[0], esp
        push    dword ptr [ebp+12]
        call    dword ptr [ebp+8]
        add     esp, 4
        mov     eax, [esp]
        mov     dword ptr fs:[0], eax
        xor     eax, eax
        jmp     1f
caught:                                 // from except_handler, EBP restored
        mov     eax, 1
1:      lea     esp, [ebp-12]
        pop     edi
        pop     esi
        pop     ebx
        pop     ebp
        ret

// EXCEPTION_DISPOSITION handler(EXCEPTION_RECORD*, frame, CONTEXT*, dispatcher)
except_handler:
        push    ebx
        push    esi
        mov     esi, [esp+12]           // exception record
        mov     ebx, [esp+16]           // our registration record
        test    dword ptr [esi+4], 6    // EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND
        jnz     2f
        push    dword ptr [ebx+16]
        push    esi
        call    dword ptr [ebx+12]
        add     esp, 8
        test    eax, eax
        jz      2f
        mov     ecx, [ebx+20]
        test    ecx, ecx
        jz      3f
        mov     eax, [esi]              // ExceptionCode
        mov     [ecx], eax
        xor     eax, eax
        xor     edx, edx
        cmp     dword ptr [esi+16], 2   // NumberParameters
        jb      4f
        mov     eax, [esi+20]           // ExceptionInformation[0]: address
        mov     edx, [esi+24]           // ExceptionInformation[1]: object
4:      mov     [ecx+4], eax
        mov     [ecx+8], edx
3:      push    0
        push    esi
        push    offset unwound
        push    ebx
        call    _RtlUnwind@16           // runs the clean-ups of the frames above ours
unwound:
        mov     eax, [ebx]
        mov     dword ptr fs:[0], eax
        mov     ebp, [ebx+8]
        jmp     caught
2:      pop     esi
        pop     ebx
        mov     eax, 1                  // ExceptionContinueSearch
        ret

        .globl  _hostframes_try_finally
_hostframes_try_finally:
        push    ebp
        mov     ebp, esp
        push    dword ptr [ebp+12]      // +16 context
        push    dword ptr [ebp+16]      // +12 cleanup
        push    ebp                     // +8
        push    offset finally_handler  // +4
        push    dword ptr fs:[0]        // +0
        mov     dword ptr fs:[0], esp
        push    dword ptr [ebp+12]
        call    dword ptr [ebp+8]
        add     esp, 4
        mov     eax, [esp]
        mov     dword ptr fs:[0], eax
        push    dword ptr [ebp+12]
        call    dword ptr [ebp+16]
        leave
        ret

finally_handler:
        mov     eax, [esp+4]
        test    dword ptr [eax+4], 6
        jz      1f
        mov     edx, [esp+8]
        push    dword ptr [edx+16]
        call    dword ptr [edx+12]
        add     esp, 4
1:      mov     eax, 1
        ret

        .globl  _hostframes_raise
_hostframes_raise:
        mov     eax, [esp+4]            // the object
        mov     edx, [esp]              // the raise address: our caller
        push    esp
        push    ebp
        push    edi
        push    esi
        push    ebx
        push    eax
        push    edx
        mov     ecx, esp
        push    ecx                     // lpArguments
        push    7                       // nNumberOfArguments
        push    1                       // EXCEPTION_NONCONTINUABLE
        push    0x0EEDFADE
        call    _RaiseException@16
        int3
