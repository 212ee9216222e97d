// The IDE's compiler start-up routine and the callback table it hands to
// the hosted Delphi compiler (hostabi/CompilerCallbacks.h). It lives in
// delphicoreide100.bpl and delphicoreide90.bpl, and in the IDE core package
// of the builds up to 70.
//
// Contract (host register convention): EAX holds the compiler's stdcall
// entry, which is called with the table's address and removes it; the
// routine returns nothing. The table's address is the operand of a push at
// byte offset 10 of the routine in the 100 build, at byte offset 1 in the
// others.
        .intel_syntax noprefix
        .text

#if EMUHOST_BUILD == 100
        .globl  _emu_Pascppcominout_PascalWin32CompilerInit
_emu_Pascppcominout_PascalWin32CompilerInit:
        push    ebp                             // 55
        mov     ebp, esp                        // 8B EC
        add     esp, -8                         // 83 C4 F8
        mov     [ebp-4], eax                    // 89 45 FC
        push    offset _CompilerCallbacks       // 68 <table>: the operand at offset 10
        call    dword ptr [ebp-4]               // FF 55 FC
        pop     ecx
        pop     ecx
        pop     ebp
        ret
#else
#if EMUHOST_BUILD == 90
        .globl  _emu_Pascppcominout_PascalCompilerInit
_emu_Pascppcominout_PascalCompilerInit:
#else
        .globl  _emu_Cominout_PascalCompilerInit
_emu_Cominout_PascalCompilerInit:
#endif
        push    offset _CompilerCallbacks       // 68 <table>: the operand at offset 1
        call    eax                             // FF D0
        ret
#endif

// The 26 callbacks. Entry 8 looks up one file; the compiler calls no other.
        .data
        .balign 4
        .globl  _CompilerCallbacks
_CompilerCallbacks:
        .rept   8
        .long   _UnusedCallback@4
        .endr
        .long   _FileLookupCallback@4
        .rept   17
        .long   _UnusedCallback@4
        .endr
