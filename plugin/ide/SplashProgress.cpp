#include "ide/SplashProgress.h"

#include "VclInterface.h"
#include "base/BuildProfile.h"
#include "base/DiagnosticLog.h"
#include "base/HostRuntime.h"
#include "base/Utils.h"
#include "ide/ExpectedPackages.h"
#include "ide/IdeHookNeeds.h"
#include "ide/SplashVcl.h"
#include "ide/VersionText.h"
#include "runtime/LoaderHooks.h"

namespace toravex {

namespace {

namespace vs = hostabi::vcl;

bool gListBuilt = false;
int32_t gExpectedTotal = 0;

// The bar above "SplashLabel", with the version label when the window has
// none; nil without the label (or the routines it takes).
void* CreateProgressBar(void* form) {
    void* label = splash::FindIn(form, "SplashLabel");
    if (!label) return nullptr;
    if (const hostnames::HostName* missing = FirstMissing(splash::kProgressBarNeeds)) {
        LogLeftOut("splash progress bar", "missing helper", missing->decorated);
        return nullptr;
    }
    void* bar = splash::NewProgressBar(form, "SplashProgress");
    splash::SetLeft(bar, splash::Left(label) + 120);
    splash::SetTop(bar, splash::Top(label) - splash::Height(bar) - 20);
    splash::SetHeight(bar, 10);
    splash::SetWidth(bar, splash::Width(label) - 130);
    splash::SetAnchors(bar, vs::kAkLeft | vs::kAkRight | vs::kAkBottom);
    void* parent = splash::Parent(label);
    splash::SetParent(bar, parent);
    LogMade("ide", "SplashProgressBar");

    if (splash::FindIn(form, "ToravexLabel")) return bar;
    if (const hostnames::HostName* missing = FirstMissing(splash::kLabelNeeds)) {
        LogLeftOut("splash version label", "missing helper", missing->decorated);
        return bar;
    }
    void* version = splash::NewLabel(form, "ToravexLabel");
    splash::SetText(version, kVersionText);
    splash::SetLeft(version, splash::ClientWidth(form) - splash::Width(version) - 8);
    splash::SetTop(version, 4);
    splash::SetTransparent(version, true);
    splash::SetFontName(version, "Arial");
    splash::SetFontColor(version, vs::kClWhite);
    splash::SetAutoSize(version, true);
    splash::SetAnchors(version, vs::kAkTop | vs::kAkRight);
    splash::SetParent(version, parent);
    LogMade("ide", "SplashVersionLabel");
    return bar;
}

}  // namespace

void AdvanceSplashProgress(const char* fileName) {
    if (!Profile().hasSplashProgress) return;
    if (!gListBuilt) {
        // Without the routines of the bar and the label nothing is counted.
        if (!HostHasNeeds(IdeHookId::SplashProgress)) {
            gListBuilt = true;
            return;
        }
        LogHookMade(IdeHookId::SplashProgress);
        HostStringList parameters;
        SplitCommandLine(parameters, nullptr, true);
        BuildSplashProgressList(parameters);
        return;
    }
    if (gExpectedTotal == 0 || !ExpectedPackages || !fileName) return;
    const int32_t expected = ExpectedPackages->Find(FileNamePart(fileName));
    if (expected < 0) return;
    // Looked up each time rather than kept: the IDE frees its splash window
    // before the end of start-up is noticed.
    void* form = FirstMissing(splash::kFindNeeds) ? nullptr : splash::OwnedSplashForm();
    if (!form) return;
    void* bar = splash::FindIn(form, "SplashProgress");
    if (!bar) bar = CreateProgressBar(form);
    if (!bar) return;
    ExpectedPackages->Delete(expected);
    splash::SetPosition(bar, (gExpectedTotal - ExpectedPackages->Count()) * 100 / gExpectedTotal);
    splash::Repaint(bar);
}

void BuildSplashProgressList(const HostStringList& parameters) {
    gListBuilt = true;
    if (ExpectedPackages) gExpectedTotal = BuildExpectedPackages(*ExpectedPackages, parameters, Profile());
}

void ResetSplashProgress() {
    gListBuilt = false;
    gExpectedTotal = 0;
    if (ExpectedPackages) ExpectedPackages->Clear();
}

}  // namespace toravex
