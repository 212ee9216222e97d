// System.@LStrCmp and System.@WStrCmp: the compiler's string comparison
// helpers. EAX = left string, EDX = right string (nil = empty). The result is
// in the flags, as after an unsigned CMP of left with right: ZF set when the
// strings are equal, CF set when left sorts below right. EBX, ESI, EDI and
// EBP are preserved; EAX, ECX and EDX are not.
        .intel_syntax noprefix
        .text

        .globl  _emu_System_LStrCmp
_emu_System_LStrCmp:
        call    _emurtl_CompareLongStrings          // EAX = difference
        jmp     OrderToFlags

        .globl  _emu_System_WStrCmp
_emu_System_WStrCmp:
        call    _emurtl_CompareWideStrings          // EAX = difference
        // fall through

// EAX = a signed difference; sets ZF for 0 and CF for a negative value.
OrderToFlags:
        test    eax, eax
        setg    cl
        movzx   ecx, cl                             // 1 when above
        shr     eax, 31                             // 1 when below
        cmp     ecx, eax
        ret
