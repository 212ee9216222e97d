// The host's VCL and IDE services as the IDE hooks reach them: routines by
// decorated name in the module of their role, fields at the offsets of the
// running build's row of hostabi/VclInterface.h. Every hook names the
// routines it calls (ide/IdeHookNeeds.h) and runs only when the host has
// them all; the calls here assume that check was made.
#pragma once

#include <windows.h>

#include <cstdint>

#include "HostCall.h"
#include "HostLayout.h"
#include "HostNames.h"
#include "VclInterface.h"
#include "base/HostRuntime.h"

namespace toravex::vcl {

namespace n = hostnames;
namespace vs = hostabi::vcl;
using hostabi::FieldAt;
using hostabi::MethodRef;

// The running build's field offsets.
const hostabi::VclLayout& Fields();

template <class Fn>
Fn Routine(const n::HostName& name) {
    return reinterpret_cast<Fn>(FindHostExport(name));
}

// Objects and classes.
void* Application();  // nil while the VCL is not loaded or has none
inline void* MainForm(void* app) { return FieldAt<void*>(app, Fields().application.mainForm); }
inline bool Terminated(void* app) { return FieldAt<bool>(app, Fields().application.terminate); }
inline const char* NameOf(const void* component) { return FieldAt<char*>(component, Fields().component.name); }
// Whether object is an instance of the exported class (or a descendant).
bool IsInstance(const void* object, const n::HostName& classRef);
// The component of that name owned by owner, nil when none.
void* FindComponent(void* owner, const char* name);

// Controls and forms.
bool HandleAllocated(void* winControl);
HWND Handle(void* winControl);
bool CloseQuery(void* form);
void DoClose(void* form, uint8_t& action);
void Hide(void* control);
void SetWindowState(void* form, uint8_t state);
void Release(void* form);
void Terminate(void* app);
void ProcessMessages(void* app);
void ShowException(void* app, void* exception);
uint8_t ShiftState();
bool CallTerminateProcs();
int32_t MessageDlg(const char* text, uint8_t type, uint16_t buttons);

// Menus and actions.
void* GetAction(void* item);
void SetItemVisible(void* item, bool visible);
void SetItemShortCut(void* item, uint16_t shortCut);
void SetActionVisible(void* action, bool visible);
void SetActionShortCut(void* action, uint16_t shortCut);
void* NewMenuItem(void* owner);
void SetItemCaption(void* item, const char* text);
void SetItemImageIndex(void* item, int32_t index);
void AddItem(void* parent, void* item);

}  // namespace toravex::vcl
