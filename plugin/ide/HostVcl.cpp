#include "ide/HostVcl.h"

#include "base/BuildProfile.h"
#include "base/HostException.h"
#include "base/HostString.h"

namespace toravex::vcl {

const hostabi::VclLayout& Fields() { return hostabi::VclLayoutFor(Profile().packageVersion); }

void* Application() {
    auto* variable = static_cast<void**>(FindHostExport(n::Forms_Application));
    return variable ? *variable : nullptr;
}

bool IsInstance(const void* object, const n::HostName& classRef) {
    const void* cls = FindHostExport(classRef);
    return object && cls && host::InheritsFrom(hostabi::ClassOf(object), cls);
}

void* FindComponent(void* owner, const char* name) {
    const HostString text(name);
    return Routine<void*(HOSTCALL*)(void*, const char*)>(n::Classes_TComponent_FindComponent)(owner, text.Get());
}

bool HandleAllocated(void* c) { return Routine<bool(HOSTCALL*)(void*)>(n::Controls_TWinControl_HandleAllocated)(c); }
HWND Handle(void* c) { return Routine<HWND(HOSTCALL*)(void*)>(n::Controls_TWinControl_GetHandle)(c); }
bool CloseQuery(void* f) { return Routine<bool(HOSTCALL*)(void*)>(n::Forms_TCustomForm_CloseQuery)(f); }
void DoClose(void* f, uint8_t& action) {
    Routine<void(HOSTCALL*)(void*, uint8_t*)>(n::Forms_TCustomForm_DoClose)(f, &action);
}
void Hide(void* c) { Routine<void(HOSTCALL*)(void*)>(n::Controls_TControl_Hide)(c); }
void SetWindowState(void* f, uint8_t state) {
    Routine<void(HOSTCALL*)(void*, uint8_t)>(n::Forms_TCustomForm_SetWindowState)(f, state);
}
void Release(void* f) { Routine<void(HOSTCALL*)(void*)>(n::Forms_TCustomForm_Release)(f); }
void Terminate(void* app) { Routine<void(HOSTCALL*)(void*)>(n::Forms_TApplication_Terminate)(app); }
void ProcessMessages(void* app) { Routine<void(HOSTCALL*)(void*)>(n::Forms_TApplication_ProcessMessages)(app); }
void ShowException(void* app, void* e) {
    Routine<void(HOSTCALL*)(void*, void*)>(n::Forms_TApplication_ShowException)(app, e);
}
uint8_t ShiftState() { return Routine<uint8_t(HOSTCALL*)()>(n::Forms_KeyboardStateToShiftState)(); }
bool CallTerminateProcs() { return Routine<bool(HOSTCALL*)()>(n::Sysutils_CallTerminateProcs)(); }

int32_t MessageDlg(const char* text, uint8_t type, uint16_t buttons) {
    const HostString message(text);
    using Dialog = int32_t(HOSTCALL_STACK*)(const char*, uint8_t, uint16_t, int32_t);
    return Routine<Dialog>(n::Dialogs_MessageDlg)(message.Get(), type, buttons, 0);
}

void* GetAction(void* item) { return Routine<void*(HOSTCALL*)(void*)>(n::Menus_TMenuItem_GetAction)(item); }
void SetItemVisible(void* item, bool visible) {
    Routine<void(HOSTCALL*)(void*, bool)>(n::Menus_TMenuItem_SetVisible)(item, visible);
}
void SetItemShortCut(void* item, uint16_t shortCut) {
    Routine<void(HOSTCALL*)(void*, uint16_t)>(n::Menus_TMenuItem_SetShortCut)(item, shortCut);
}
void SetActionVisible(void* action, bool visible) {
    Routine<void(HOSTCALL*)(void*, bool)>(n::Actnlist_TCustomAction_SetVisible)(action, visible);
}
void SetActionShortCut(void* action, uint16_t shortCut) {
    Routine<void(HOSTCALL*)(void*, uint16_t)>(n::Actnlist_TCustomAction_SetShortCut)(action, shortCut);
}
void* NewMenuItem(void* owner) {
    using Create = void*(HOSTCALL*)(void*, int8_t, void*);
    return Routine<Create>(n::Menus_TMenuItem_Create)(FindHostExport(n::Menus_TMenuItem), 1, owner);
}
void SetItemCaption(void* item, const char* text) {
    const HostString caption(text);
    Routine<void(HOSTCALL*)(void*, const char*)>(n::Menus_TMenuItem_SetCaption)(item, caption.Get());
}
void SetItemImageIndex(void* item, int32_t index) {
    Routine<void(HOSTCALL*)(void*, int32_t)>(n::Menus_TMenuItem_SetImageIndex)(item, index);
}
void AddItem(void* parent, void* item) { Routine<void(HOSTCALL*)(void*, void*)>(n::Menus_TMenuItem_Add)(parent, item); }

}  // namespace toravex::vcl
