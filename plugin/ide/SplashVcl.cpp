#include "ide/SplashVcl.h"

#include "ide/HostVcl.h"

namespace toravex::splash {

namespace {

namespace n = hostnames;
using vcl::FieldAt;
using vcl::Fields;
using vcl::Routine;

void* NewComponent(const n::HostName& classRef, const n::HostName& constructor, void* owner, const char* name) {
    using Create = void*(HOSTCALL*)(void*, int8_t, void*);
    void* c = Routine<Create>(constructor)(FindHostExport(classRef), 1, owner);
    const HostString text(name);
    Routine<void(HOSTCALL*)(void*, const char*)>(n::Classes_TComponent_SetName)(c, text.Get());
    return c;
}

void SetInteger(const n::HostName& setter, void* control, int32_t value) {
    Routine<void(HOSTCALL*)(void*, int32_t)>(setter)(control, value);
}

void SetBoolean(const n::HostName& setter, void* control, bool value) {
    Routine<void(HOSTCALL*)(void*, bool)>(setter)(control, value);
}

void* FontOf(void* control) { return FieldAt<void*>(control, Fields().control.font); }

}  // namespace

void* OwnedSplashForm() {
    void* app = vcl::Application();
    return app ? vcl::FindComponent(app, "SplashScreen") : nullptr;
}

void* GlobalSplashForm() {
    const HostString name("SplashScreen");
    using Find = void*(HOSTCALL*)(const char*);
    if (FindHostExport(n::Classes_FindGlobalComponent))
        return Routine<Find>(n::Classes_FindGlobalComponent)(name.Get());
    // Build 50: a routine variable that the forms unit sets.
    auto* variable = static_cast<Find*>(FindHostExport(n::Classes_FindGlobalComponent50));
    return variable && *variable ? (*variable)(name.Get()) : nullptr;
}

void* FindIn(void* owner, const char* name) { return vcl::FindComponent(owner, name); }

void* NewComponentOf(void* classRef, void* owner) {
    using Create = void*(HOSTCALL*)(void*, int8_t, void*);
    return Routine<Create>(n::Classes_TComponent_Create)(classRef, 1, owner);
}

void* NewLabel(void* owner, const char* name) {
    return NewComponent(n::Stdctrls_TLabel, n::Stdctrls_TCustomLabel_Create, owner, name);
}
void* NewProgressBar(void* owner, const char* name) {
    return NewComponent(n::Comctrls_TProgressBar, n::Comctrls_TProgressBar_Create, owner, name);
}
void* NewPanel(void* owner, const char* name) {
    return NewComponent(n::Extctrls_TPanel, n::Extctrls_TCustomPanel_Create, owner, name);
}

int32_t Left(void* c) { return FieldAt<int32_t>(c, Fields().control.left); }
int32_t Top(void* c) { return FieldAt<int32_t>(c, Fields().control.top); }
int32_t Width(void* c) { return FieldAt<int32_t>(c, Fields().control.width); }
int32_t Height(void* c) { return FieldAt<int32_t>(c, Fields().control.height); }
void* Parent(void* c) { return FieldAt<void*>(c, Fields().control.parent); }
int32_t ClientWidth(void* c) { return Routine<int32_t(HOSTCALL*)(void*)>(n::Controls_TControl_GetClientWidth)(c); }
int32_t ClientHeight(void* c) { return Routine<int32_t(HOSTCALL*)(void*)>(n::Controls_TControl_GetClientHeight)(c); }
void SetLeft(void* c, int32_t v) { SetInteger(n::Controls_TControl_SetLeft, c, v); }
void SetTop(void* c, int32_t v) { SetInteger(n::Controls_TControl_SetTop, c, v); }
void SetWidth(void* c, int32_t v) { SetInteger(n::Controls_TControl_SetWidth, c, v); }
void SetHeight(void* c, int32_t v) { SetInteger(n::Controls_TControl_SetHeight, c, v); }
void SetParent(void* c, void* parent) {
    Routine<void(HOSTCALL*)(void*, void*)>(n::Controls_TControl_SetParent)(c, parent);
}
void SetAnchors(void* c, uint8_t anchors) {
    Routine<void(HOSTCALL*)(void*, uint8_t)>(n::Controls_TControl_SetAnchors)(c, anchors);
}

HostString TextOf(void* c) {
    HostString text;
    Routine<void(HOSTCALL*)(void*, char**)>(n::Controls_TControl_GetText)(c, text.Out());
    return text;
}
void SetText(void* c, const char* text) {
    const HostString value(text);
    Routine<void(HOSTCALL*)(void*, const char*)>(n::Controls_TControl_SetText)(c, value.Get());
}
void SetFontName(void* c, const char* name) {
    const HostString value(name);
    Routine<void(HOSTCALL*)(void*, const char*)>(n::Graphics_TFont_SetName)(FontOf(c), value.Get());
}
void SetFontColor(void* c, int32_t color) { SetInteger(n::Graphics_TFont_SetColor, FontOf(c), color); }
void SetParentColor(void* c, bool on) { SetBoolean(n::Controls_TControl_SetParentColor, c, on); }

void SetTransparent(void* label, bool on) { SetBoolean(n::Stdctrls_TCustomLabel_SetTransparent, label, on); }
void SetAutoSize(void* label, bool on) { SetBoolean(n::Stdctrls_TCustomLabel_SetAutoSize, label, on); }
void SetShowAccelChar(void* label, bool on) { SetBoolean(n::Stdctrls_TCustomLabel_SetShowAccelChar, label, on); }
void SetAlignment(void* label, uint8_t alignment) {
    Routine<void(HOSTCALL*)(void*, uint8_t)>(n::Stdctrls_TCustomLabel_SetAlignment)(label, alignment);
}
void SetBevelOuter(void* panel, uint8_t bevel) {
    // Build 50 names the bevel's type after its own unit; one of the pair exists.
    const n::HostName& setter = FindHostExport(n::Extctrls_TCustomPanel_SetBevelOuter)
                                    ? n::Extctrls_TCustomPanel_SetBevelOuter
                                    : n::Extctrls_TCustomPanel_SetBevelOuter50;
    Routine<void(HOSTCALL*)(void*, uint8_t)>(setter)(panel, bevel);
}
void SetPosition(void* bar, int32_t position) { SetInteger(n::Comctrls_TProgressBar_SetPosition, bar, position); }
void Repaint(void* c) { Routine<void(HOSTCALL*)(void*)>(n::Controls_TControl_Repaint)(c); }

const HostNeeds kFindNeeds = {{&hostnames::Forms_Application, &hostnames::Classes_TComponent_FindComponent}};
// Builds 60 to 100 have the first, build 50 the second.
const HostNeeds kGlobalFindNeeds = {{&hostnames::Classes_FindGlobalComponent, &hostnames::Classes_FindGlobalComponent50,
                                     &hostnames::Classes_TComponent_FindComponent}};
const HostNeeds kProgressBarNeeds = {{&hostnames::Forms_Application, &hostnames::Classes_TComponent_FindComponent,
                                      &hostnames::Comctrls_TProgressBar, &hostnames::Comctrls_TProgressBar_Create,
                                      &hostnames::Comctrls_TProgressBar_SetPosition,
                                      &hostnames::Classes_TComponent_SetName, &hostnames::Controls_TControl_SetLeft,
                                      &hostnames::Controls_TControl_SetTop, &hostnames::Controls_TControl_SetWidth,
                                      &hostnames::Controls_TControl_SetHeight, &hostnames::Controls_TControl_SetAnchors,
                                      &hostnames::Controls_TControl_SetParent, &hostnames::Controls_TControl_Repaint}};
const HostNeeds kComponentNeeds = {{&hostnames::Classes_TComponent, &hostnames::Classes_TComponent_Create}};
const HostNeeds kLabelNeeds = {{&hostnames::Stdctrls_TLabel, &hostnames::Stdctrls_TCustomLabel_Create,
                                &hostnames::Classes_TComponent_SetName, &hostnames::Controls_TControl_SetText,
                                &hostnames::Controls_TControl_GetText, &hostnames::Controls_TControl_GetClientWidth,
                                &hostnames::Controls_TControl_GetClientHeight, &hostnames::Controls_TControl_SetLeft,
                                &hostnames::Controls_TControl_SetTop, &hostnames::Controls_TControl_SetWidth,
                                &hostnames::Controls_TControl_SetParent, &hostnames::Controls_TControl_SetAnchors,
                                &hostnames::Graphics_TFont_SetName, &hostnames::Graphics_TFont_SetColor,
                                &hostnames::Stdctrls_TCustomLabel_SetTransparent,
                                &hostnames::Stdctrls_TCustomLabel_SetAutoSize}};
const HostNeeds kOlderLabelNeeds = {{&hostnames::Stdctrls_TCustomLabel_SetShowAccelChar,
                                     &hostnames::Stdctrls_TCustomLabel_SetAlignment,
                                     &hostnames::Controls_TControl_SetHeight}};
// The bevel's setter: one of a pair per build.
const HostNeeds kPanelNeeds = {{&hostnames::Extctrls_TPanel, &hostnames::Extctrls_TCustomPanel_Create,
                                &hostnames::Extctrls_TCustomPanel_SetBevelOuter,
                                &hostnames::Extctrls_TCustomPanel_SetBevelOuter50,
                                &hostnames::Controls_TControl_SetParentColor}};

}  // namespace toravex::splash
