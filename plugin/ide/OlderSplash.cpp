#include "ide/OlderSplash.h"

#include <cstring>
#include <string>

#include "HostLayout.h"
#include "VclInterface.h"
#include "base/BuildProfile.h"
#include "base/DiagnosticLog.h"
#include "base/HostRuntime.h"
#include "base/SystemPlatform.h"
#include "base/Utils.h"
#include "ide/IdeHookNeeds.h"
#include "ide/SplashVcl.h"
#include "ide/StartupWatch.h"
#include "ide/VersionText.h"
#include "runtime/LoaderHooks.h"

namespace toravex {

namespace {

namespace vs = hostabi::vcl;

// TSplashScreen: a component class of the plug-in with no fields of its
// own, whose destructor marks the end of start-up. Its class record is built
// from the host's TComponent: the same header (instance size, the runtime's
// class routines) and the same virtual methods, with its own name, parent
// and destructor.
constexpr int kInheritedVirtuals = 64;  // more than TComponent has in any build; the rest is never called
struct SplashScreenClass {
    hostabi::ClassHeader header;
    void* virtuals[kInheritedVirtuals];
};
SplashScreenClass gSplashScreenClass;
void* gComponentClass = nullptr;  // the parent, as the header points at it
const unsigned char kClassName[] = "\x0DTSplashScreen";

using Destructor = void(HOSTCALL*)(void* self, int8_t outermost);
Destructor gInheritedDestroy = nullptr;

void* gProgressTextLabel = nullptr;

void HOSTCALL SplashScreenDestroy(void* self, int8_t outermost) {
    gProgressTextLabel = nullptr;
    EndOfStartup();
    gInheritedDestroy(self, outermost);
}

bool DefineSplashScreenClass() {
    if (gInheritedDestroy) return true;
    void* component = FindHostExport(hostnames::Classes_TComponent);
    if (!component) return false;
    const hostabi::ClassHeader* parent = hostabi::HeaderOfClass(component);
    int slots = kInheritedVirtuals;
    while (slots > 0 && !Platform().IsReadable(component, static_cast<size_t>(slots) * sizeof(void*))) slots /= 2;
    if (!Platform().IsReadable(parent, sizeof *parent) || !parent->destroy) return false;
    hostabi::ClassHeader& h = gSplashScreenClass.header;
    h = hostabi::ClassHeader{};
    h.selfPtr = gSplashScreenClass.virtuals;
    h.className = kClassName;
    h.instanceSize = parent->instanceSize;
    gComponentClass = component;
    h.parent = &gComponentClass;
    h.safeCallException = parent->safeCallException;
    h.afterConstruction = parent->afterConstruction;
    h.beforeDestruction = parent->beforeDestruction;
    h.dispatch = parent->dispatch;
    h.defaultHandler = parent->defaultHandler;
    h.newInstance = parent->newInstance;
    h.freeInstance = parent->freeInstance;
    h.destroy = reinterpret_cast<void*>(&SplashScreenDestroy);
    std::memcpy(gSplashScreenClass.virtuals, component, static_cast<size_t>(slots) * sizeof(void*));
    gInheritedDestroy = reinterpret_cast<Destructor>(parent->destroy);
    return true;
}

void* FindOrNewLabel(void* splash, const char* name, bool& created) {
    void* label = splash::FindIn(splash, name);
    created = !label;
    return label ? label : splash::NewLabel(splash, name);
}

void* FindOrNewPanel(void* splash, const char* name, bool& created) {
    void* panel = splash::FindIn(splash, name);
    created = !panel;
    if (!panel) {
        panel = splash::NewPanel(splash, name);
        splash::SetBevelOuter(panel, vs::kBvLowered);
    }
    return panel;
}

// Steps 3 and 4: the plug-in's line and the progress label.
void* PluginLabel(void* splash) {
    bool created;
    void* label = FindOrNewLabel(splash, "LblPlugins", created);
    if (!created) {
        const HostString old = splash::TextOf(label);
        splash::SetText(label, (std::string(kVersionText) + "\r\n" + old.CStr()).c_str());
        return label;
    }
    splash::SetShowAccelChar(label, false);
    splash::SetText(label, kVersionText);
    splash::SetAlignment(label, vs::kTaRightJustify);
    return label;
}

void* ProgressLabel(void* splash) {
    bool created;
    void* label = FindOrNewLabel(splash, "LblProgressText", created);
    if (!created) return label;
    splash::SetText(label, "A");  // for its height
    splash::SetWidth(label, 0);
    splash::SetLeft(label, 8);
    splash::SetTop(label, splash::ClientHeight(splash) - splash::Height(label) - 25);
    splash::SetFontColor(label, vs::kClWhite);
    splash::SetTransparent(label, true);
    splash::SetShowAccelChar(label, false);
    splash::SetText(label, "");
    splash::SetAutoSize(label, false);
    return label;
}

// Builds 60 and 70: both labels at the bottom of the window, the plug-in's
// on the right.
void PlaceLabels(void* splash, void* plugins, void* progress) {
    splash::SetTop(plugins, splash::ClientHeight(splash) - splash::Height(plugins) - 25);
    splash::SetLeft(plugins, splash::ClientWidth(splash) - splash::Width(plugins) - 8);
    splash::SetFontColor(plugins, vs::kClWhite);
    splash::SetTransparent(plugins, true);
    splash::SetParent(plugins, splash);
    splash::SetParent(progress, splash);
    splash::SetWidth(progress, splash::Left(plugins) - 24);
}

// Build 50: each label in a lowered panel of its own.
void PlaceLabelsInPanels(void* splash, void* plugins, void* progress) {
    bool created;
    void* pluginPanel = FindOrNewPanel(splash, "PanelPlugins", created);
    splash::SetWidth(pluginPanel, splash::Width(plugins) + 16);
    splash::SetHeight(pluginPanel, splash::Height(plugins) + 8);
    splash::SetTop(pluginPanel, splash::ClientHeight(splash) - splash::Height(pluginPanel) - 33);
    splash::SetLeft(pluginPanel, splash::ClientWidth(splash) - splash::Width(pluginPanel) - 8);
    splash::SetParent(pluginPanel, splash);
    splash::SetParent(plugins, pluginPanel);
    splash::SetLeft(plugins, 8);
    splash::SetTop(plugins, 4);

    void* progressPanel = FindOrNewPanel(splash, "PanelProgress", created);
    if (created) {
        splash::SetWidth(progressPanel, 415);
        splash::SetHeight(progressPanel, splash::Height(progress) + 4);
        splash::SetTop(progressPanel, 8);
        splash::SetLeft(progressPanel, 16);
        splash::SetParent(progressPanel, splash);
    }
    splash::SetParent(progress, progressPanel);
    splash::SetTop(progress, 2);
    splash::SetLeft(progress, 4);
    splash::SetTransparent(progress, false);
    splash::SetWidth(progress, splash::ClientWidth(progressPanel) - 2 * splash::Left(progress));
    splash::SetFontColor(progress, vs::kClWindowText);
    splash::SetParentColor(progress, true);
}

const hostnames::HostName* FirstMissingForLabels() {
    if (const hostnames::HostName* missing = FirstMissing(splash::kLabelNeeds)) return missing;
    if (const hostnames::HostName* missing = FirstMissing(splash::kOlderLabelNeeds)) return missing;
    if (const hostnames::HostName* missing = FirstMissing(splash::kComponentNeeds)) return missing;
    return Profile().splashLabelsInPanels ? FirstMissing(splash::kPanelNeeds) : nullptr;
}

}  // namespace

void ShowOlderSplash() {
    void* splash = HostHasNeeds(IdeHookId::SplashLabels) ? splash::GlobalSplashForm() : nullptr;
    if (!splash) {
        LogLeftOut("splash labels", "no splash window");
        StartWatchTimer();
        return;
    }
    if (const hostnames::HostName* missing = FirstMissingForLabels()) {
        LogLeftOut("splash labels", "missing helper", missing->decorated);
        StartWatchTimer();
        return;
    }
    if (!DefineSplashScreenClass()) {
        LogLeftOut("splash labels", "no component class");
        StartWatchTimer();
        return;
    }
    splash::NewComponentOf(gSplashScreenClass.virtuals, splash);
    void* plugins = PluginLabel(splash);
    void* progress = ProgressLabel(splash);
    gProgressTextLabel = progress;
    if (Profile().splashLabelsInPanels)
        PlaceLabelsInPanels(splash, plugins, progress);
    else
        PlaceLabels(splash, plugins, progress);
    LogMade("ide", Profile().splashLabelsInPanels ? "SplashLabelsInPanels" : "SplashLabels");
}

HostString PackageDescription(HMODULE module) {
    HRSRC resource = FindResourceA(module, "DESCRIPTION", MAKEINTRESOURCEA(10));  // RCDATA
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const auto* text = static_cast<const wchar_t*>(loaded ? LockResource(loaded) : nullptr);
    if (!text) return HostString();
    // Zero-terminated, but never read beyond the resource.
    const DWORD size = SizeofResource(module, resource) / sizeof(wchar_t);
    int length = 0;
    while (static_cast<DWORD>(length) < size && text[length]) ++length;
    if (length == 0) return HostString();
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return HostString();
    char* converted = new char[static_cast<size_t>(bytes) + 1];
    WideCharToMultiByte(CP_ACP, 0, text, length, converted, bytes, nullptr, nullptr);
    converted[bytes] = '\0';
    HostString trimmed = TrimText(converted);
    delete[] converted;
    return trimmed;
}

void ShowPackageDescription(HMODULE module, const char* fileName) {
    if (!Profile().showsPackageDescription || !gProgressTextLabel) return;
    HostString text = PackageDescription(module);
    if (text.Empty())
        text = HostString((std::string("Loading ") + FileNamePart(fileName ? fileName : "")).c_str());
    splash::SetText(gProgressTextLabel, text.CStr());
}

}  // namespace toravex
