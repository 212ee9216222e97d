// The emulated VCL package's own interface between its units: where its
// objects keep their fields (hostabi/VclInterface.h, per build), the runtime
// routines it calls, and its exported entries, which the units call among
// themselves exactly as other modules do (so that a redirection written over
// an entry also catches the VCL's own calls).
#pragma once

#include <windows.h>

#include <cstdint>

#include "HostCall.h"
#include "HostClasses.h"
#include "HostEntry.h"
#include "HostFrames.h"
#include "HostLayout.h"
#include "VclInterface.h"

// Exported routines that other code may redirect are never inlined into or
// specialised for their callers inside the VCL.
#define VCL_ENTRY extern "C" __attribute__((noipa))

namespace vcl {

inline constexpr const hostabi::VclLayout& L = hostabi::VclLayoutFor(EMUHOST_BUILD);
using hostabi::FieldAt;
using hostabi::ListObject;
using hostabi::MethodRef;
using emuhost::HostClass;
namespace vs = hostabi::vcl;

// ---- The runtime package -------------------------------------------------
namespace rt {
template <class Fn>
Fn Entry(void* entry) {
    return reinterpret_cast<Fn>(entry);
}
inline void* GetMem(int32_t size) { return Entry<void*(HOSTCALL*)(int32_t)>(HOST_ENTRY(System_GetMem))(size); }
inline void FreeMem(void* p) { Entry<int32_t(HOSTCALL*)(void*)>(HOST_ENTRY(System_FreeMem))(p); }
inline void LStrAsg(char** dest, const char* source) {
    Entry<void(HOSTCALL*)(char**, const char*)>(HOST_ENTRY(System_LStrAsg))(dest, source);
}
inline void LStrClr(char** s) { Entry<void*(HOSTCALL*)(char**)>(HOST_ENTRY(System_LStrClr))(s); }
inline void LStrFromPChar(char** dest, const char* text) {
    Entry<void(HOSTCALL*)(char**, const char*)>(HOST_ENTRY(System_LStrFromPChar))(dest, text);
}
inline bool SameText(const char* a, const char* b) {
    return Entry<bool(HOSTCALL*)(const char*, const char*)>(HOST_ENTRY(Sysutils_SameText))(a, b);
}
inline void* ClassCreate(void* classOrSelf, int8_t allocate) {
    return Entry<void*(HOSTCALL*)(void*, int8_t)>(HOST_ENTRY(System_ClassCreate))(classOrSelf, allocate);
}
inline void AfterConstruction(void* self) { Entry<void*(HOSTCALL*)(void*)>(HOST_ENTRY(System_AfterConstruction))(self); }
inline void BeforeDestruction(void* self, int8_t outermost) {
    Entry<void*(HOSTCALL*)(void*, int8_t)>(HOST_ENTRY(System_BeforeDestruction))(self, outermost);
}
inline void ClassDestroy(void* self) { Entry<void(HOSTCALL*)(void*)>(HOST_ENTRY(System_ClassDestroy))(self); }
inline void Free(void* object) { Entry<void(HOSTCALL*)(void*)>(HOST_ENTRY(System_TObject_Free))(object); }
inline void* NewObject(void* classRef) {
    return Entry<void*(HOSTCALL*)(void*, int8_t)>(HOST_ENTRY(System_TObject_Create))(classRef, 1);
}
inline bool IsClass(const void* object, const void* classRef) {
    return Entry<bool(HOSTCALL*)(const void*, const void*)>(HOST_ENTRY(System_IsClass))(object, classRef);
}

// Lists.
inline ListObject* NewList() { return static_cast<ListObject*>(NewObject(HOST_ENTRY(Classes_TList))); }
inline int32_t ListAdd(ListObject* list, void* item) {
    return Entry<int32_t(HOSTCALL*)(ListObject*, void*)>(HOST_ENTRY(Classes_TList_Add))(list, item);
}
inline void ListRemove(ListObject* list, void* item) {
    Entry<int32_t(HOSTCALL*)(ListObject*, void*)>(HOST_ENTRY(Classes_TList_Remove))(list, item);
}
inline int32_t Count(const ListObject* list) { return list ? list->count : 0; }

// Exceptions.
[[noreturn]] inline void Raise(void* exception) {
    Entry<void(HOSTCALL*)(void*)>(HOST_ENTRY(System_RaiseExcept))(exception);
    __builtin_unreachable();
}
inline void* NewException(void* classRef, const char* text) {
    char* message = nullptr;
    LStrFromPChar(&message, text);
    void* e = Entry<void*(HOSTCALL*)(void*, int8_t, const char*)>(HOST_ENTRY(Sysutils_Exception_Create))(
        classRef, 1, message);
    LStrClr(&message);
    return e;
}
inline const char* MessageOf(const void* exception) {
    return static_cast<const hostabi::ExceptionObject*>(exception)->message;
}

// Classes.
inline void* ComponentCreate(void* classOrSelf, int8_t allocate, void* owner) {
    return Entry<void*(HOSTCALL*)(void*, int8_t, void*)>(HOST_ENTRY(Classes_TComponent_Create))(classOrSelf,
                                                                                               allocate, owner);
}
inline void* FindComponent(void* self, const char* name) {
    return Entry<void*(HOSTCALL*)(void*, const char*)>(HOST_ENTRY(Classes_TComponent_FindComponent))(self, name);
}
inline void SetName(void* self, const char* name) {
    Entry<void(HOSTCALL*)(void*, const char*)>(HOST_ENTRY(Classes_TComponent_SetName))(self, name);
}
inline void ComponentLoaded(void* self) { Entry<void(HOSTCALL*)(void*)>(HOST_ENTRY(Classes_TComponent_Loaded))(self); }
inline void* NewStringList() { return NewObject(HOST_ENTRY(Classes_TStringList)); }
inline int32_t StringsAddObject(void* list, const char* text, void* object) {
    return Entry<int32_t(HOSTCALL*)(void*, const char*, void*)>(HOST_ENTRY(Classes_TStringList_AddObject))(
        list, text, object);
}
inline void StringsGet(void* list, int32_t index, char** result) {
    Entry<void(HOSTCALL*)(void*, int32_t, char**)>(HOST_ENTRY(Classes_TStringList_Get))(list, index, result);
}
inline void* StringsObject(void* list, int32_t index) {
    return Entry<void*(HOSTCALL*)(void*, int32_t)>(HOST_ENTRY(Classes_TStringList_GetObject))(list, index);
}
inline int32_t StringsCount(void* list) {
    return Entry<int32_t(HOSTCALL*)(void*)>(HOST_ENTRY(Classes_TStringList_GetCount))(list);
}
inline void StringsClear(void* list) { Entry<void(HOSTCALL*)(void*)>(HOST_ENTRY(Classes_TStringList_Clear))(list); }
inline bool CallTerminateProcs() { return Entry<bool(HOSTCALL*)()>(HOST_ENTRY(Sysutils_CallTerminateProcs))(); }

// Class references.
inline void* TComponentClass() { return HOST_ENTRY(Classes_TComponent); }
inline void* TBasicActionClass() { return HOST_ENTRY(Classes_TBasicAction); }
inline void* ExceptionClass() { return HOST_ENTRY(Sysutils_Exception); }
inline void* EAbortClass() { return HOST_ENTRY(Sysutils_EAbort); }
// The destructor a class declares (to call an inherited one).
inline void InheritedDestroy(void* classRef, void* self) {
    __asm__("" : "+r"(classRef));  // an exported symbol's address: its header lies before it
    reinterpret_cast<void(HOSTCALL*)(void*, int8_t)>(hostabi::HeaderOfClass(classRef)->destroy)(self, 0);
}
}  // namespace rt

// ---- Fields ---------------------------------------------------------------
namespace component {
inline char*& Name(const void* c) { return FieldAt<char*>(c, L.component.name); }
inline void*& Owner(const void* c) { return FieldAt<void*>(c, L.component.owner); }
inline ListObject*& Components(const void* c) { return FieldAt<ListObject*>(c, L.component.components); }
inline uint16_t& State(const void* c) { return FieldAt<uint16_t>(c, L.component.componentState); }
inline bool Loading(const void* c) { return (State(c) & vs::kCsLoading) != 0; }
}  // namespace component
namespace action {
inline MethodRef& OnExecute(const void* a) { return FieldAt<MethodRef>(a, L.basicAction.onExecute); }
inline MethodRef& OnUpdate(const void* a) { return FieldAt<MethodRef>(a, L.basicAction.onUpdate); }
inline ListObject*& Clients(const void* a) { return FieldAt<ListObject*>(a, L.basicAction.clients); }
inline void*& ActionList(const void* a) { return FieldAt<void*>(a, L.containedAction.actionList); }
inline char*& Caption(const void* a) { return FieldAt<char*>(a, L.customAction.caption); }
inline bool& Enabled(const void* a) { return FieldAt<bool>(a, L.customAction.enabled); }
inline bool& Visible(const void* a) { return FieldAt<bool>(a, L.customAction.visible); }
inline uint16_t& ShortCut(const void* a) { return FieldAt<uint16_t>(a, L.customAction.shortCut); }
inline int32_t& ImageIndex(const void* a) { return FieldAt<int32_t>(a, L.customAction.imageIndex); }
inline ListObject*& Actions(const void* list) { return FieldAt<ListObject*>(list, L.customActionList.actions); }
}  // namespace action
namespace font {
inline int32_t& Color(const void* f) { return FieldAt<int32_t>(f, L.font.color); }
inline char*& Name(const void* f) { return FieldAt<char*>(f, L.font.name); }
inline int32_t& Height(const void* f) { return FieldAt<int32_t>(f, L.font.height); }
inline void*& OwnerControl(const void* f) { return FieldAt<void*>(f, L.font.onChangeData); }
}  // namespace font
namespace control {
inline void*& Parent(const void* c) { return FieldAt<void*>(c, L.control.parent); }
inline int32_t& Left(const void* c) { return FieldAt<int32_t>(c, L.control.left); }
inline int32_t& Top(const void* c) { return FieldAt<int32_t>(c, L.control.top); }
inline int32_t& Width(const void* c) { return FieldAt<int32_t>(c, L.control.width); }
inline int32_t& Height(const void* c) { return FieldAt<int32_t>(c, L.control.height); }
inline bool& Visible(const void* c) { return FieldAt<bool>(c, L.control.visible); }
inline bool& ParentColor(const void* c) { return FieldAt<bool>(c, L.control.parentColor); }
inline uint8_t& Anchors(const void* c) { return FieldAt<uint8_t>(c, L.control.anchors); }
inline char*& Text(const void* c) { return FieldAt<char*>(c, L.control.text); }
inline void*& Font(const void* c) { return FieldAt<void*>(c, L.control.font); }
inline int32_t& Color(const void* c) { return FieldAt<int32_t>(c, L.control.color); }
inline HWND& Handle(const void* c) { return FieldAt<HWND>(c, L.winControl.handle); }
inline ListObject*& Controls(const void* c) { return FieldAt<ListObject*>(c, L.winControl.controls); }
}  // namespace control
namespace label {
inline uint8_t& Alignment(const void* c) { return FieldAt<uint8_t>(c, L.customLabel.alignment); }
inline bool& AutoSize(const void* c) { return FieldAt<bool>(c, L.customLabel.autoSize); }
inline bool& Transparent(const void* c) { return FieldAt<bool>(c, L.customLabel.transparent); }
inline bool& ShowAccelChar(const void* c) { return FieldAt<bool>(c, L.customLabel.showAccelChar); }
}  // namespace label
namespace combo {
inline void*& Items(const void* c) { return FieldAt<void*>(c, L.customCombo.items); }
inline int32_t& ItemIndex(const void* c) { return FieldAt<int32_t>(c, L.customCombo.itemIndex); }
inline uint8_t& Style(const void* c) { return FieldAt<uint8_t>(c, L.customColorBox.style); }
inline bool& NeedToPopulate(const void* c) { return FieldAt<bool>(c, L.customColorBox.needToPopulate); }
inline int32_t& SelectedColor(const void* c) { return FieldAt<int32_t>(c, L.customColorBox.selectedColor); }
inline int32_t& DefaultColorColor(const void* c) { return FieldAt<int32_t>(c, L.customColorBox.defaultColorColor); }
inline int32_t& NoneColorColor(const void* c) { return FieldAt<int32_t>(c, L.customColorBox.noneColorColor); }
}  // namespace combo
namespace form {
inline uint8_t& BorderIcons(const void* f) { return FieldAt<uint8_t>(f, L.customForm.borderIcons); }
inline uint8_t& BorderStyle(const void* f) { return FieldAt<uint8_t>(f, L.customForm.borderStyle); }
inline uint8_t& WindowState(const void* f) { return FieldAt<uint8_t>(f, L.customForm.windowState); }
inline uint8_t& Style(const void* f) { return FieldAt<uint8_t>(f, L.customForm.formStyle); }
inline uint8_t& State(const void* f) { return FieldAt<uint8_t>(f, L.customForm.formState); }
inline void*& Menu(const void* f) { return FieldAt<void*>(f, L.customForm.menu); }
inline int32_t& ModalResult(const void* f) { return FieldAt<int32_t>(f, L.customForm.modalResult); }
inline MethodRef& OnClose(const void* f) { return FieldAt<MethodRef>(f, L.customForm.onClose); }
inline MethodRef& OnCloseQuery(const void* f) { return FieldAt<MethodRef>(f, L.customForm.onCloseQuery); }
inline MethodRef& OnDestroy(const void* f) { return FieldAt<MethodRef>(f, L.customForm.onDestroy); }
}  // namespace form
namespace item {
inline char*& Caption(const void* i) { return FieldAt<char*>(i, L.menuItem.caption); }
inline bool& Visible(const void* i) { return FieldAt<bool>(i, L.menuItem.visible); }
inline bool& Enabled(const void* i) { return FieldAt<bool>(i, L.menuItem.enabled); }
inline uint16_t& ShortCut(const void* i) { return FieldAt<uint16_t>(i, L.menuItem.shortCut); }
inline int32_t& ImageIndex(const void* i) { return FieldAt<int32_t>(i, L.menuItem.imageIndex); }
inline int32_t& Command(const void* i) { return FieldAt<int32_t>(i, L.menuItem.command); }
inline ListObject*& Items(const void* i) { return FieldAt<ListObject*>(i, L.menuItem.items); }
inline void*& Parent(const void* i) { return FieldAt<void*>(i, L.menuItem.parent); }
inline void*& Action(const void* i) { return FieldAt<void*>(i, L.menuItem.action); }
inline MethodRef& OnClick(const void* i) { return FieldAt<MethodRef>(i, L.menuItem.onClick); }
inline void*& MenuItems(const void* menu) { return FieldAt<void*>(menu, L.menu.items); }
}  // namespace item
namespace app {
inline HWND& Handle(const void* a) { return FieldAt<HWND>(a, L.application.handle); }
inline void*& MainForm(const void* a) { return FieldAt<void*>(a, L.application.mainForm); }
inline char*& Title(const void* a) { return FieldAt<char*>(a, L.application.title); }
inline bool& Terminate(const void* a) { return FieldAt<bool>(a, L.application.terminate); }
inline int32_t& ModalLevel(const void* a) { return FieldAt<int32_t>(a, L.application.modalLevel); }
inline ListObject*& Forms(const void* screen) { return FieldAt<ListObject*>(screen, L.screen.forms); }
}  // namespace app

// Calling events: a TNotifyEvent, a TCloseEvent, a TCloseQueryEvent.
inline void Notify(const MethodRef& event, void* sender) {
    if (event.code) reinterpret_cast<void(HOSTCALL*)(void*, void*)>(event.code)(event.data, sender);
}

// ---- Logging: the emulated IDE hands the VCL its log -----------------------
void Log(const char* format, ...);

// ---- Units' internals ------------------------------------------------------
// Controls
bool IsWinControl(const void* c);
void CreateHandle(void* winControl);
void UpdateShowing(void* winControl);  // creates the handle when it should show
void InvalidateControl(void* c);
COLORREF ColorRef(int32_t color);
int32_t EffectiveColor(const void* c);  // the colour after ParentColor
HFONT CreateFontOf(const void* font);
void* HOSTCALL ControlCreate(void* classOrSelf, int8_t allocate, void* owner);
void ControlDestroy(void* self);
void WinControlDestroy(void* self);
void DestroyWindowOf(void* winControl);
// The window procedure every VCL window runs through.
LRESULT CALLBACK VclWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void* ObjectOfWindow(HWND hwnd);
struct WindowParams {
    const char* className;   // registered by the VCL unless system is set
    bool system;             // a window class of the system (subclassed)
    DWORD style, exStyle;
    HWND parent;
    HMENU menu;
    int x, y, width, height;
};
HWND CreateVclWindow(void* winControl, const WindowParams& params);
LRESULT DefaultProc(void* winControl, UINT message, WPARAM wParam, LPARAM lParam);
// Graphic controls drawn by their parent.
void PaintGraphicChildren(void* winControl, HDC dc);
// A message as the window procedures pass it on.
struct Message {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result;
};
using WndProcFn = bool(HOSTCALL*)(void* self, Message* m);
bool HOSTCALL WinControlWndProc(void* self, Message* m);
// Runs a handler the way the VCL's message loop does: an exception that
// escapes it is shown by the application, not passed to Windows.
template <class Body>
void Guarded(Body&& body);
void HandleCaught(void* exception);

// Forms and the application
extern void* gApplication;
extern void* gScreen;
void AddForm(void* form);
void RemoveForm(void* form);
bool IsShortCut(const MSG& msg);
void DisableTaskWindows(HWND except, HWND* disabled, int capacity, int* count);
// Menus
void* FindItemByCommand(int32_t command);
void* FindItemByShortCut(void* menuItem, uint16_t shortCut);
HMENU BuildMenuHandle(void* menu);
void MenuChanged(void* menuItem);
void UnlinkMenuItemAction(void* menuItem);
void ShortCutToText(uint16_t shortCut, char* text, int size);
// Actions
void UpdateActionsOf(void* form);
// Dialogs
int32_t ShowDialog(const char* text, uint8_t type, uint16_t buttons);
bool DialogsScripted();

// Unit initializations, in the order the package runs them.
void InitGraphicsUnit();
void InitControlsUnit();
void InitMenusUnit();
void InitActionsUnit();
void InitStdCtrlsUnit();
void InitExtCtrlsUnit();
void InitComCtrlsUnit();
void InitFormsUnit();
void InitVclUnits();

template <class Body>
void Guarded(Body&& body) {
    hostframes::CaughtException caught{};
    if (hostframes::TryExcept(body, caught)) HandleCaught(caught.object);
}

}  // namespace vcl

// ---- Exported entries ------------------------------------------------------
extern "C" {
extern emuhost::HostClass emu_Graphics_TFont_record, emu_Controls_TControl_record, emu_Controls_TWinControl_record,
    emu_Controls_TGraphicControl_record, emu_Forms_TApplication_record, emu_Forms_TCustomForm_record,
    emu_Forms_TForm_record, emu_Menus_TMenu_record, emu_Menus_TMainMenu_record, emu_Menus_TMenuItem_record,
    emu_Actnlist_TCustomActionList_record, emu_Actnlist_TActionList_record, emu_Actnlist_TCustomAction_record,
    emu_Actnlist_TAction_record, emu_Stdctrls_TCustomLabel_record, emu_Stdctrls_TLabel_record,
    emu_Stdctrls_TCustomCombo_record, emu_Extctrls_TCustomPanel_record, emu_Extctrls_TPanel_record,
    emu_Extctrls_TCustomColorBox_record, emu_Extctrls_TColorBox_record, emu_Comctrls_TProgressBar_record;
extern void* emu_Forms_Application;
extern void* emu_Forms_Screen;

void HOSTCALL emu_Graphics_TFont_SetName(void* self, const char* name);
void HOSTCALL emu_Graphics_TFont_SetColor(void* self, int32_t color);
void HOSTCALL emu_Controls_TControl_SetParent(void* self, void* parent);
void HOSTCALL emu_Controls_TControl_SetLeft(void* self, int32_t v);
void HOSTCALL emu_Controls_TControl_SetTop(void* self, int32_t v);
void HOSTCALL emu_Controls_TControl_SetWidth(void* self, int32_t v);
void HOSTCALL emu_Controls_TControl_SetHeight(void* self, int32_t v);
void HOSTCALL_STACK emu_Controls_TControl_SetBounds(void* self, int32_t left, int32_t top, int32_t height,
                                                    int32_t width);
void HOSTCALL emu_Controls_TControl_SetVisible(void* self, bool visible);
void HOSTCALL emu_Controls_TControl_Show(void* self);
void HOSTCALL emu_Controls_TControl_Hide(void* self);
void HOSTCALL emu_Controls_TControl_SetText(void* self, const char* text);
void HOSTCALL emu_Controls_TControl_GetText(void* self, char** result);
void HOSTCALL emu_Controls_TControl_SetAnchors(void* self, uint8_t anchors);
int32_t HOSTCALL emu_Controls_TControl_GetClientWidth(void* self);
int32_t HOSTCALL emu_Controls_TControl_GetClientHeight(void* self);
void HOSTCALL emu_Controls_TControl_Repaint(void* self);
void HOSTCALL emu_Controls_TControl_SetColor(void* self, int32_t color);
void HOSTCALL emu_Controls_TControl_SetParentColor(void* self, bool value);
bool HOSTCALL emu_Controls_TWinControl_HandleAllocated(void* self);
HWND HOSTCALL emu_Controls_TWinControl_GetHandle(void* self);

void HOSTCALL emu_Forms_TApplication_Terminate(void* self);
void HOSTCALL emu_Forms_TApplication_ProcessMessages(void* self);
void HOSTCALL emu_Forms_TApplication_HandleMessage(void* self);
void HOSTCALL emu_Forms_TApplication_Run(void* self);
void HOSTCALL emu_Forms_TApplication_ShowException(void* self, void* exception);
void HOSTCALL emu_Forms_TApplication_HandleException(void* self, void* sender);
void* HOSTCALL emu_Forms_TCustomForm_Create(void* classOrSelf, int8_t allocate, void* owner);
void* HOSTCALL_STACK emu_Forms_TCustomForm_CreateNew(void* classOrSelf, int8_t allocate, void* owner, int32_t dummy);
void HOSTCALL emu_Forms_TCustomForm_Close(void* self);
bool HOSTCALL emu_Forms_TCustomForm_CloseQuery(void* self);
void HOSTCALL emu_Forms_TCustomForm_DoClose(void* self, uint8_t* action);
void HOSTCALL emu_Forms_TCustomForm_Release(void* self);
void HOSTCALL emu_Forms_TCustomForm_SetWindowState(void* self, uint8_t state);
void HOSTCALL emu_Forms_TCustomForm_SetMenu(void* self, void* menu);
void HOSTCALL emu_Forms_TCustomForm_Show(void* self);
int32_t HOSTCALL emu_Forms_TCustomForm_ShowModal(void* self);
uint8_t HOSTCALL emu_Forms_KeyboardStateToShiftState();

void* HOSTCALL emu_Menus_TMenu_Create(void* classOrSelf, int8_t allocate, void* owner);
void* HOSTCALL emu_Menus_TMenuItem_Create(void* classOrSelf, int8_t allocate, void* owner);
void HOSTCALL emu_Menus_TMenuItem_Add(void* self, void* item);
void HOSTCALL emu_Menus_TMenuItem_SetCaption(void* self, const char* caption);
void HOSTCALL emu_Menus_TMenuItem_SetVisible(void* self, bool visible);
void HOSTCALL emu_Menus_TMenuItem_SetShortCut(void* self, uint16_t shortCut);
void HOSTCALL emu_Menus_TMenuItem_SetImageIndex(void* self, int32_t index);
void* HOSTCALL emu_Menus_TMenuItem_GetAction(void* self);
void HOSTCALL emu_Menus_TMenuItem_SetAction(void* self, void* action);
void HOSTCALL emu_Menus_TMenuItem_Click(void* self);
int32_t HOSTCALL emu_Menus_TMenuItem_GetCount(void* self);
void* HOSTCALL emu_Menus_TMenuItem_GetItem(void* self, int32_t index);

void* HOSTCALL emu_Actnlist_TCustomActionList_Create(void* classOrSelf, int8_t allocate, void* owner);
void* HOSTCALL emu_Actnlist_TCustomAction_Create(void* classOrSelf, int8_t allocate, void* owner);
void HOSTCALL emu_Actnlist_TCustomAction_SetCaption(void* self, const char* caption);
void HOSTCALL emu_Actnlist_TCustomAction_SetVisible(void* self, bool visible);
void HOSTCALL emu_Actnlist_TCustomAction_SetShortCut(void* self, uint16_t shortCut);
void HOSTCALL emu_Actnlist_TContainedAction_SetActionList(void* self, void* list);

void* HOSTCALL emu_Stdctrls_TCustomLabel_Create(void* classOrSelf, int8_t allocate, void* owner);
void HOSTCALL emu_Stdctrls_TCustomLabel_SetAutoSize(void* self, bool value);
void HOSTCALL emu_Stdctrls_TCustomLabel_SetTransparent(void* self, bool value);
void HOSTCALL emu_Stdctrls_TCustomCombo_Loaded(void* self);
void* HOSTCALL emu_Extctrls_TCustomPanel_Create(void* classOrSelf, int8_t allocate, void* owner);
void HOSTCALL emu_Extctrls_TCustomPanel_SetBevelOuter(void* self, uint8_t bevel);
void* HOSTCALL emu_Extctrls_TCustomColorBox_Create(void* classOrSelf, int8_t allocate, void* owner);
void HOSTCALL emu_Extctrls_TCustomColorBox_PopulateList(void* self);
void HOSTCALL emu_Extctrls_TCustomColorBox_Loaded(void* self);
void HOSTCALL emu_Extctrls_TCustomColorBox_SetSelected(void* self, int32_t color);
void* HOSTCALL emu_Comctrls_TProgressBar_Create(void* classOrSelf, int8_t allocate, void* owner);
int32_t HOSTCALL emu_Comctrls_TProgressBar_GetPosition(void* self);
void HOSTCALL emu_Comctrls_TProgressBar_SetPosition(void* self, int32_t position);
int32_t HOSTCALL_STACK emu_Dialogs_MessageDlg(const char* text, uint8_t type, uint16_t buttons, int32_t helpContext);
}

// Emulation-only helpers the units share.
namespace vcl {
void ColorBoxSetStyle(void* colorBox, uint8_t style);
bool IdentToColor(const char* ident, int32_t* color);
void ComboAddItem(void* combo, const char* text, void* object);
void ComboSetItemIndex(void* combo, int32_t index);
void AdjustLabelBounds(void* label);
void* NewFont(void* ownerControl);
}  // namespace vcl
