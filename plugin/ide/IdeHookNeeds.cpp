#include "ide/IdeHookNeeds.h"

#include "base/DiagnosticLog.h"
#include "ide/SplashVcl.h"

namespace toravex {

const HostNeeds kFormCloseNeeds = {{&hostnames::Forms_Application, &hostnames::Forms_TCustomForm_CloseQuery,
                                    &hostnames::Forms_TCustomForm_DoClose, &hostnames::Forms_TCustomForm_Release,
                                    &hostnames::Forms_TCustomForm_SetWindowState, &hostnames::Controls_TControl_Hide,
                                    &hostnames::Forms_TApplication_Terminate,
                                    &hostnames::Forms_TApplication_ProcessMessages,
                                    &hostnames::Forms_TApplication_ShowException,
                                    &hostnames::Forms_KeyboardStateToShiftState,
                                    &hostnames::Controls_TWinControl_GetHandle,
                                    &hostnames::Controls_TWinControl_HandleAllocated, &hostnames::Dialogs_MessageDlg,
                                    &hostnames::Sysutils_Exception, &hostnames::Sysutils_EAbort,
                                    &hostnames::Sysutils_SysLocale}};
const HostNeeds kFastQuitNeeds = {{&hostnames::Forms_Application, &hostnames::Forms_TCustomForm_CloseQuery,
                                   &hostnames::Forms_TCustomForm_DoClose, &hostnames::Sysutils_CallTerminateProcs,
                                   &hostnames::Forms_TApplication_ProcessMessages,
                                   &hostnames::Forms_TApplication_ShowException, &hostnames::Dialogs_MessageDlg,
                                   &hostnames::Sysutils_Exception, &hostnames::Sysutils_EAbort,
                                   &hostnames::Sysutils_SysLocale, &hostnames::Menus_TMenuItem,
                                   &hostnames::Menus_TMenuItem_Create, &hostnames::Menus_TMenuItem_SetCaption,
                                   &hostnames::Menus_TMenuItem_SetImageIndex, &hostnames::Menus_TMenuItem_Add}};
const HostNeeds kMenuItemNeeds = {{&hostnames::Forms_Application, &hostnames::Classes_TComponent_FindComponent,
                                   &hostnames::Menus_TMenuItem, &hostnames::Menus_TMenuItem_SetVisible,
                                   &hostnames::Menus_TMenuItem_GetAction, &hostnames::Actnlist_TCustomAction,
                                   &hostnames::Actnlist_TCustomAction_SetVisible}};
const HostNeeds kShortcutNeeds = {{&hostnames::Actnlist_TCustomAction, &hostnames::Actnlist_TCustomAction_SetShortCut,
                                   &hostnames::Menus_TMenuItem_SetShortCut}};
const HostNeeds kWatchNeeds = {{&hostnames::Forms_Application, &hostnames::Controls_TWinControl_HandleAllocated,
                                &hostnames::Controls_TWinControl_GetHandle}};
const HostNeeds kPaletteServiceNeeds = {{&hostnames::Toolsapi_BorlandIDEServices}};
const HostNeeds kPaletteManagerNeeds = {{&hostnames::Dotnetpalettemgr_TDotNetPaletteServices_Modified,
                                         &hostnames::Dotnetpalettemgr_TDotNetPaletteServices_BeginUpdate,
                                         &hostnames::Dotnetpalettemgr_TDotNetPaletteServices_EndUpdate}};
const HostNeeds kColorBoxNeeds = {{&hostnames::Extctrls_TCustomColorBox_PopulateList,
                                   &hostnames::Extctrls_TCustomColorBox_Loaded,
                                   &hostnames::Extctrls_TCustomColorBox_SetSelected,
                                   &hostnames::Stdctrls_TCustomCombo_Loaded,
                                   &hostnames::Controls_TWinControl_HandleAllocated}};

const IdeHook kIdeHooks[static_cast<int>(IdeHookId::Count)] = {
    {"FormCloseHook", {&kFormCloseNeeds}, nullptr},
    {"FastQuitMenuItem", {&kFastQuitNeeds, &kMenuItemNeeds}, nullptr},
    {"ShowHiddenMenuItems", {&kMenuItemNeeds}, nullptr},
    {"TakeOverShortcuts", {&kShortcutNeeds, &kMenuItemNeeds}, &BuildProfile::hasOlderMenuItems},
    {"StartupWatch", {&kWatchNeeds}, &BuildProfile::hasStartupWatch},
    {"PaletteBatching", {&kPaletteServiceNeeds}, &BuildProfile::hasPaletteBatching},
    {"PaletteModifiedHook", {&kPaletteManagerNeeds}, &BuildProfile::hasPaletteBatching},
    {"ColorBoxHooks", {&kColorBoxNeeds}, &BuildProfile::hasColorBoxFix},
    {"SplashProgress", {&splash::kProgressBarNeeds, &splash::kLabelNeeds}, &BuildProfile::hasSplashProgress},
    {"SplashLabels", {&splash::kGlobalFindNeeds, &splash::kComponentNeeds}, &BuildProfile::showsPackageDescription},
};

namespace {
// Each hook is reported once: some are looked at again and again (the
// watch on every tick, the palette on every package).
bool gReported[static_cast<int>(IdeHookId::Count)];
}  // namespace

bool HostHasNeeds(IdeHookId id) {
    const IdeHook& hook = kIdeHooks[static_cast<int>(id)];
    for (const HostNeeds* needs : hook.needs) {
        const hostnames::HostName* missing = needs ? FirstMissing(*needs) : nullptr;
        if (!missing) continue;
        if (!gReported[static_cast<int>(id)]) LogLeftOut(hook.what, "missing helper", missing->decorated);
        gReported[static_cast<int>(id)] = true;
        return false;
    }
    return true;
}

void LogHookMade(IdeHookId id) {
    if (gReported[static_cast<int>(id)]) return;
    gReported[static_cast<int>(id)] = true;
    LogMade("ide", kIdeHooks[static_cast<int>(id)].what);
}

}  // namespace toravex
