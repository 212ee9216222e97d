// The emulated IDE's calls into the VCL and the runtime package, through
// their exports (as the IDE's own code imports them), and its access to the
// fields of VCL objects by the build's row of hostabi/VclInterface.h.
#pragma once

#include <windows.h>

#include <cstdint>

#include "HostCall.h"
#include "HostClasses.h"
#include "HostLayout.h"
#include "RuntimeImports.h"
#include "VclInterface.h"

namespace idevcl {

inline constexpr const hostabi::VclLayout& L = hostabi::VclLayoutFor(EMUHOST_BUILD);
using hostabi::FieldAt;
using hostabi::MethodRef;
namespace vs = hostabi::vcl;

template <class T>
T Import(void (*entry)()) {
    return reinterpret_cast<T>(entry);
}
#define IDE_CALL(id, type) reinterpret_cast<type>(&rtlimp_##id)

// A host long string made from C text, released at the end of the scope.
class HostText {
public:
    explicit HostText(const char* text) {
        IDE_CALL(System_LStrFromPChar, void(HOSTCALL*)(char**, const char*))(&s_, text);
    }
    ~HostText() { IDE_CALL(System_LStrClr, void*(HOSTCALL*)(char**))(&s_); }
    HostText(const HostText&) = delete;
    HostText& operator=(const HostText&) = delete;
    const char* get() const { return s_; }

private:
    char* s_ = nullptr;
};

inline void* Application() { return *reinterpret_cast<void**>(&rtlimp_Forms_Application); }
inline void* ClassRef(char* exported) { return exported; }

// Components.
inline void SetName(void* c, const char* name) {
    IDE_CALL(Classes_TComponent_SetName, void(HOSTCALL*)(void*, const char*))(c, HostText(name).get());
}
inline void* FindComponent(void* owner, const char* name) {
    return IDE_CALL(Classes_TComponent_FindComponent, void*(HOSTCALL*)(void*, const char*))(owner,
                                                                                          HostText(name).get());
}
inline const char* NameOf(const void* c) {
    const char* name = FieldAt<char*>(c, L.component.name);
    return name ? name : "";
}
inline void Free(void* object) { IDE_CALL(System_TObject_Free, void(HOSTCALL*)(void*))(object); }
// A component of `classRef` made through the class's virtual constructor.
inline void* Create(void* classRef, void* owner, const char* name) {
    using Ctor = void*(HOSTCALL*)(void*, int8_t, void*);
    void* c = emuhost::ClassVirtual<Ctor>(classRef, emuhost::vslot::kCreate)(classRef, 1, owner);
    if (name) SetName(c, name);
    return c;
}

// Controls and forms.
inline void* NewForm(void* classRef, const char* name) {
    using CreateNew = void*(HOSTCALL_STACK*)(void*, int8_t, void*, int32_t);
    void* f = IDE_CALL(Forms_TCustomForm_CreateNew, CreateNew)(classRef, 1, Application(), 0);
    SetName(f, name);
    return f;
}
inline void SetText(void* c, const char* text) {
    IDE_CALL(Controls_TControl_SetText, void(HOSTCALL*)(void*, const char*))(c, HostText(text).get());
}
inline void SetBounds(void* c, int left, int top, int width, int height) {
    IDE_CALL(Controls_TControl_SetBounds, void(HOSTCALL_STACK*)(void*, int32_t, int32_t, int32_t, int32_t))(
        c, left, top, height, width);
}
inline void SetParent(void* c, void* parent) {
    IDE_CALL(Controls_TControl_SetParent, void(HOSTCALL*)(void*, void*))(c, parent);
}
inline void SetColor(void* c, int32_t color) {
    IDE_CALL(Controls_TControl_SetColor, void(HOSTCALL*)(void*, int32_t))(c, color);
}
inline void SetFontColor(void* c, int32_t color) {
    IDE_CALL(Graphics_TFont_SetColor, void(HOSTCALL*)(void*, int32_t))(FieldAt<void*>(c, L.control.font), color);
}
inline void ShowForm(void* f) { IDE_CALL(Forms_TCustomForm_Show, void(HOSTCALL*)(void*))(f); }
inline int32_t ShowModal(void* f) { return IDE_CALL(Forms_TCustomForm_ShowModal, int32_t(HOSTCALL*)(void*))(f); }
inline HWND Handle(void* c) { return IDE_CALL(Controls_TWinControl_GetHandle, HWND(HOSTCALL*)(void*))(c); }
inline void SetEvent(void* object, int32_t offset, void* code, void* data = nullptr) {
    FieldAt<MethodRef>(object, offset) = MethodRef{code, data};
}
inline void ProcessMessages() {
    IDE_CALL(Forms_TApplication_ProcessMessages, void(HOSTCALL*)(void*))(Application());
}

// Menus and actions.
inline void* NewMenuItem(void* owner, const char* name, const char* caption) {
    void* item = Create(&rtlimp_Menus_TMenuItem, owner, name);
    IDE_CALL(Menus_TMenuItem_SetCaption, void(HOSTCALL*)(void*, const char*))(item, HostText(caption).get());
    return item;
}
inline void AddItem(void* parent, void* item) {
    IDE_CALL(Menus_TMenuItem_Add, void(HOSTCALL*)(void*, void*))(parent, item);
}
inline void SetItemVisible(void* item, bool visible) {
    IDE_CALL(Menus_TMenuItem_SetVisible, void(HOSTCALL*)(void*, bool))(item, visible);
}
inline void SetItemShortCut(void* item, uint16_t shortCut) {
    IDE_CALL(Menus_TMenuItem_SetShortCut, void(HOSTCALL*)(void*, uint16_t))(item, shortCut);
}
inline void ClickItem(void* item) { IDE_CALL(Menus_TMenuItem_Click, void(HOSTCALL*)(void*))(item); }
inline int32_t ItemCount(void* item) { return IDE_CALL(Menus_TMenuItem_GetCount, int32_t(HOSTCALL*)(void*))(item); }
inline void* ItemAt(void* item, int32_t index) {
    return IDE_CALL(Menus_TMenuItem_GetItem, void*(HOSTCALL*)(void*, int32_t))(item, index);
}

// Raises the host's Exception with `text`, as the IDE's code does.
[[noreturn]] inline void Raise(const char* text) {
    void* e = IDE_CALL(Sysutils_Exception_Create, void*(HOSTCALL*)(void*, int8_t, const char*))(
        &rtlimp_Sysutils_Exception, 1, HostText(text).get());
    IDE_CALL(System_RaiseExcept, void(HOSTCALL*)(void*))(e);
    __builtin_unreachable();
}

}  // namespace idevcl
