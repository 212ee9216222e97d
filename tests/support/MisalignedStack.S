// void testsupport_call_misaligned(void (*fn)(void*), void* context, int misalignment)
// Calls fn(context) with ESP at (16n + misalignment) at the call, the way
// host code with only 4-byte stack alignment calls into the plug-in.
        .intel_syntax noprefix
        .text
        .globl  _testsupport_call_misaligned
_testsupport_call_misaligned:
        push    ebp
        mov     ebp, esp
        and     esp, -16
        sub     esp, 16
        add     esp, [ebp+16]           // 0, 4, 8 or 12 bytes off alignment after the push below
        sub     esp, 4
        push    dword ptr [ebp+12]
        call    dword ptr [ebp+8]
        mov     esp, ebp
        pop     ebp
        ret
