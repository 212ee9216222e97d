// The VCL calls of the splash handling: finding the IDE's splash window,
// creating labels, a progress bar and panels on it, and setting the few
// properties the plug-in gives them. Callers check the needs lists first.
#pragma once

#include <cstdint>

#include "base/HostRuntime.h"
#include "base/HostString.h"

namespace toravex::splash {

// The splash window: a component "SplashScreen" owned by the application
// (builds 90 and 100), or the globally registered one (builds 50 to 70).
void* OwnedSplashForm();
void* GlobalSplashForm();

// The component of that name owned by owner, nil when none.
void* FindIn(void* owner, const char* name);

// New components owned by owner and named name; a component of classRef
// (a component class) made by TComponent's constructor, unnamed.
void* NewComponentOf(void* classRef, void* owner);
void* NewLabel(void* owner, const char* name);
void* NewProgressBar(void* owner, const char* name);
void* NewPanel(void* owner, const char* name);

// Geometry: fields where the VCL has no routine to read them.
int32_t Left(void* control);
int32_t Top(void* control);
int32_t Width(void* control);
int32_t Height(void* control);
void* Parent(void* control);
int32_t ClientWidth(void* control);
int32_t ClientHeight(void* control);
void SetLeft(void* control, int32_t value);
void SetTop(void* control, int32_t value);
void SetWidth(void* control, int32_t value);
void SetHeight(void* control, int32_t value);
void SetParent(void* control, void* parent);
void SetAnchors(void* control, uint8_t anchors);

// Text, font and colour.
HostString TextOf(void* control);
void SetText(void* control, const char* text);
void SetFontName(void* control, const char* name);
void SetFontColor(void* control, int32_t color);
void SetParentColor(void* control, bool on);

// Labels, panels and the progress bar.
void SetTransparent(void* label, bool on);
void SetAutoSize(void* label, bool on);
void SetShowAccelChar(void* label, bool on);
void SetAlignment(void* label, uint8_t alignment);
void SetBevelOuter(void* panel, uint8_t bevel);
void SetPosition(void* progressBar, int32_t position);
void Repaint(void* control);

// What each group of calls needs.
extern const HostNeeds kFindNeeds;         // OwnedSplashForm and FindComponent
extern const HostNeeds kGlobalFindNeeds;   // GlobalSplashForm (per build, one of a pair)
extern const HostNeeds kProgressBarNeeds;  // the bar, its geometry and position
extern const HostNeeds kComponentNeeds;    // NewComponentOf
extern const HostNeeds kLabelNeeds;        // a label, its text, font and geometry
extern const HostNeeds kOlderLabelNeeds;   // what the older builds' labels take besides
extern const HostNeeds kPanelNeeds;        // a panel with its bevel

}  // namespace toravex::splash
