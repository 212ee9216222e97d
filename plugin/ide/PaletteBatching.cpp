#include "ide/PaletteBatching.h"

#include "base/HostRuntime.h"
#include "ide/HostVcl.h"
#include "ide/IdeHookNeeds.h"
#include "patching/Redirect.h"

namespace toravex {

namespace {

namespace n = hostnames;
using PaletteCall = HRESULT(WINAPI*)(void* self);

// The interface reference to the palette service, held while start-up lasts.
void* gPaletteService = nullptr;
// The palette object whose Modified was first intercepted.
void* gCapturedPalette = nullptr;
RedirectRecord gModifiedRecord;

// An interface's operation in a numbered slot (from 1).
template <class Fn>
Fn Slot(void* intf, int slot) {
    return (*static_cast<Fn* const*>(intf))[slot - 1];
}

void CallService(int slot) { Slot<void(HOSTCALL*)(void*)>(gPaletteService, slot)(gPaletteService); }

bool ModifiedRedirected() { return gModifiedRecord.UseCount > 0; }

}  // namespace

void PaletteBatchStep() {
    // The IDE's services object, then the palette manager's three operations
    // (its package may load later). Without them the palette updates as the
    // IDE does by itself.
    if (!HostHasNeeds(IdeHookId::PaletteBatching)) return;
    if (!gPaletteService) {
        void* services = *static_cast<void**>(FindHostExport(n::Toolsapi_BorlandIDEServices));
        void* service = nullptr;
        using Query = HRESULT(WINAPI*)(void*, const hostabi::GuidRec*, void**);
        if (services && Slot<Query>(services, hostabi::slots::kQueryInterface)(services, &hostabi::kPaletteServicesIid,
                                                                              &service) == S_OK &&
            service) {
            gPaletteService = service;
            CallService(hostabi::slots::kPaletteBeginUpdate);
            LogHookMade(IdeHookId::PaletteBatching);
        }
    }
    if (gPaletteService && !ModifiedRedirected() && HostHasNeeds(IdeHookId::PaletteModifiedHook)) {
        StartRedirect(FindHostExport(n::Dotnetpalettemgr_TDotNetPaletteServices_Modified),
                      reinterpret_cast<const void*>(&PaletteModifiedHook), gModifiedRecord);
        if (gModifiedRecord.Address) LogHookMade(IdeHookId::PaletteModifiedHook);
    }
}

HRESULT WINAPI PaletteModifiedHook(void* self) {
    if (gPaletteService && !gCapturedPalette)
        reinterpret_cast<PaletteCall>(FindHostExport(n::Dotnetpalettemgr_TDotNetPaletteServices_BeginUpdate))(self);
    gCapturedPalette = self;
    if (gPaletteService) return 0;
    // Batching has ended: the notice goes to the palette again.
    RemoveRedirect(gModifiedRecord);
    reinterpret_cast<PaletteCall>(FindHostExport(n::Dotnetpalettemgr_TDotNetPaletteServices_Modified))(self);
    return 0;
}

void EndPaletteBatching() {
    if (!gPaletteService) return;
    CallService(hostabi::slots::kPaletteEndUpdate);
    using Release = ULONG(WINAPI*)(void*);
    Slot<Release>(gPaletteService, hostabi::slots::kRelease)(gPaletteService);
    gPaletteService = nullptr;
    if (ModifiedRedirected()) RemoveRedirect(gModifiedRecord);
    if (gCapturedPalette)
        reinterpret_cast<PaletteCall>(FindHostExport(n::Dotnetpalettemgr_TDotNetPaletteServices_EndUpdate))(
            gCapturedPalette);
    gCapturedPalette = nullptr;  // its bracket is closed
}

void RemovePaletteModifiedHook() {
    if (ModifiedRedirected()) RemoveRedirect(gModifiedRecord);
}

}  // namespace toravex
