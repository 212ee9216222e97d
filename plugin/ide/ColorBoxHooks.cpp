// The colour-box fix (builds 70, 90, 100): the host's colour box fills its
// list whenever it has a window, so a colour box read from a form
// description into a shown window fills it once for every property that
// changes it. The plug-in defers every fill until loading has ended and a
// window exists, and fills it once then, with the stored colour selected.
#include "base/HostException.h"
#include "ide/HostVcl.h"
#include "ide/IdeHookNeeds.h"
#include "ide/VCLHooks.h"
#include "patching/Redirect.h"

namespace toravex {

namespace {

namespace n = hostnames;
namespace vs = hostabi::vcl;
using vcl::FieldAt;

RedirectRecord gPopulateListRecord;
RedirectRecord gLoadedRecord;

using Method = void(HOSTCALL*)(void*);

bool& NeedToPopulate(void* box) { return FieldAt<bool>(box, vcl::Fields().customColorBox.needToPopulate); }

}  // namespace

// In place of TCustomColorBox.PopulateList.
void HOSTCALL ColorBoxPopulateList(void* self) {
    const bool loading = FieldAt<uint16_t>(self, vcl::Fields().component.componentState) & vs::kCsLoading;
    if (loading || !vcl::HandleAllocated(self)) {
        NeedToPopulate(self) = true;
        return;
    }
    RemoveRedirect(gPopulateListRecord);
    host::TryFinally([&] { vcl::Routine<Method>(n::Extctrls_TCustomColorBox_PopulateList)(self); },
                     [] { ReinstallRedirect(reinterpret_cast<const void*>(&ColorBoxPopulateList), gPopulateListRecord); });
}

// In place of TCustomColorBox.Loaded.
void HOSTCALL ColorBoxLoaded(void* self) {
    vcl::Routine<Method>(n::Stdctrls_TCustomCombo_Loaded)(self);
    const int32_t selected = FieldAt<int32_t>(self, vcl::Fields().customColorBox.selectedColor);
    vcl::Routine<void(HOSTCALL*)(void*, int32_t)>(n::Extctrls_TCustomColorBox_SetSelected)(self, selected);
    if (NeedToPopulate(self)) ColorBoxPopulateList(self);
}

void InstallColorBoxHooks() {
    if (!HostHasNeeds(IdeHookId::ColorBoxHooks)) return;
    StartRedirect(FindHostExport(n::Extctrls_TCustomColorBox_PopulateList),
                  reinterpret_cast<const void*>(&ColorBoxPopulateList), gPopulateListRecord);
    StartRedirect(FindHostExport(n::Extctrls_TCustomColorBox_Loaded), reinterpret_cast<const void*>(&ColorBoxLoaded),
                  gLoadedRecord);
    if (gPopulateListRecord.Address && gLoadedRecord.Address) LogHookMade(IdeHookId::ColorBoxHooks);
}

void RemoveColorBoxHooks() {
    RemoveRedirect(gPopulateListRecord);
    RemoveRedirect(gLoadedRecord);
}

}  // namespace toravex
