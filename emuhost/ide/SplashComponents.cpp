#include "SplashComponents.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "IdeApplication.h"
#include "IdeVcl.h"

namespace ide {

namespace {

using namespace idevcl;

// The value of a switch "-<name>:<value>", or "" when it is not given.
std::string SwitchValue(const char* name) {
    const size_t length = std::strlen(name);
    for (int i = 1; i < __argc; ++i) {
        const char* a = __argv[i];
        if ((a[0] == '-' || a[0] == '/') && _strnicmp(a + 1, name, length) == 0 && a[1 + length] == ':')
            return a + 2 + length;
    }
    return "";
}

// Whether item is one of the comma-separated names of list.
bool Listed(const std::string& list, const char* item) {
    const size_t length = std::strlen(item);
    for (size_t at = 0; at <= list.size();) {
        size_t end = list.find(',', at);
        if (end == std::string::npos) end = list.size();
        if (end - at == length && list.compare(at, length, item) == 0) return true;
        at = end + 1;
    }
    return false;
}

void* NewLabel(void* owner, void* parent, const char* name, const char* text, int left, int top, int width) {
    void* label = Create(&rtlimp_Stdctrls_TLabel, owner, name);
    SetParent(label, parent);
    IDE_CALL(Stdctrls_TCustomLabel_SetTransparent, void(HOSTCALL*)(void*, bool))(label, true);
    SetFontColor(label, vs::kClWhite);
    SetBounds(label, left, top, width, 16);
    SetText(label, text);
    return label;
}

void* NewPanel(void* owner, const char* name, int left, int top, int width, int height) {
    void* panel = Create(&rtlimp_Extctrls_TPanel, owner, name);
    SetParent(panel, owner);
    SetBounds(panel, left, top, width, height);
    return panel;
}

bool IsA(void* c, void* classRef) {
    return IDE_CALL(System_IsClass, bool(HOSTCALL*)(const void*, const void*))(c, classRef);
}
bool IsLabel(void* c) { return IsA(c, &rtlimp_Stdctrls_TCustomLabel); }
bool IsControl(void* c) { return IsA(c, &rtlimp_Controls_TControl); }

std::string OneLine(const char* text) {
    std::string line;
    for (const char* p = text ? text : ""; *p; ++p) {
        if (p[0] == '\r' && p[1] == '\n') continue;
        line += *p == '\n' ? std::string("\\n") : std::string(1, *p);
    }
    return line;
}

}  // namespace

void AddSplashComponents(void* splash) {
    if (!kOlderBuild) {
        // The IDE's label spans the window, whatever its text.
        void* label = FindComponent(splash, "SplashLabel");
        IDE_CALL(Stdctrls_TCustomLabel_SetAutoSize, void(HOSTCALL*)(void*, bool))(label, false);
        SetBounds(label, 16, 250, 448, 16);
        return;
    }
    const std::string list = SwitchValue("splash-labels");
    const bool panels = EMUHOST_BUILD == 50 && Listed(list, "panels");
    void* pluginParent = splash;
    void* progressParent = splash;
    if (panels) {
        pluginParent = NewPanel(splash, "PanelPlugins", 300, 250, 160, 28);
        progressParent = NewPanel(splash, "PanelProgress", 16, 8, 415, 20);
    }
    if (Listed(list, "plugins"))
        NewLabel(splash, pluginParent, "LblPlugins", "Plug-ins: Emulated Tools", panels ? 8 : 300, panels ? 4 : 260, 160);
    if (Listed(list, "progress")) NewLabel(splash, progressParent, "LblProgressText", "", panels ? 4 : 8, panels ? 2 : 260, 280);
}

void LogSplashClose(void* splash) {
    const std::string picture = SwitchValue("splash-picture");
    if (!picture.empty()) {
        if (SaveWindowPicture(Handle(splash), picture.c_str())) Log("splash-picture %s", picture.c_str());
        else Log("splash-picture failed");
    }
    void* bar = FindComponent(splash, "SplashProgress");
    if (bar) Log("splash-close progress=%d", FieldAt<int32_t>(bar, L.progressBar.position));
    else Log("splash-close progress=none");
    using Count = int32_t(HOSTCALL*)(void*);
    using At = void*(HOSTCALL*)(void*, int32_t);
    const int32_t count = IDE_CALL(Classes_TComponent_GetComponentCount, Count)(splash);
    for (int32_t i = 0; i < count; ++i) {
        void* c = IDE_CALL(Classes_TComponent_GetComponent, At)(splash, i);
        if (IsLabel(c))
            Log("splash-label %s \"%s\"", NameOf(c), OneLine(FieldAt<char*>(c, L.control.text)).c_str());
    }
    for (int32_t i = 0; i < count; ++i) {
        void* c = IDE_CALL(Classes_TComponent_GetComponent, At)(splash, i);
        if (!IsControl(c)) continue;
        void* parent = FieldAt<void*>(c, L.control.parent);
        Log("splash-control %s parent=%s left=%d top=%d width=%d height=%d", NameOf(c), parent ? NameOf(parent) : "none",
            FieldAt<int32_t>(c, L.control.left), FieldAt<int32_t>(c, L.control.top), FieldAt<int32_t>(c, L.control.width),
            FieldAt<int32_t>(c, L.control.height));
    }
}

}  // namespace ide
