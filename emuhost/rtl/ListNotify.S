// Contnrs.TObjectList.Notify(Ptr: Pointer; Action: TListNotification):
// EAX = the list, EDX = the item, CL = the action. On a deletion notice (2)
// a list that owns its objects frees the item (Free ignores nil); the
// inherited TList.Notify is empty. The routine spans 48 bytes so that
// replacement code of up to that size can be copied over its entry.
        .intel_syntax noprefix
        .text
        .balign 16
        .globl  _emu_Contnrs_TObjectList_Notify
_emu_Contnrs_TObjectList_Notify:
        cmp     cl, 2
        jne     1f
        cmp     byte ptr [eax+16], 0
        je      1f
        mov     eax, edx
        jmp     _emu_System_TObject_Free
1:      ret
        .org    _emu_Contnrs_TObjectList_Notify + 48, 0xCC
