// Re-pointing of import slots, with one item per changed slot that puts the
// slot back when it is freed (unless its module was unloaded meanwhile).
// A slot is changed by one aligned 32-bit store, so a thread calling through
// it sees either the old or the new address.
#pragma once

#include <cstdint>

#include "base/HostString.h"
#include "base/ObjectList.h"

namespace toravex {

// Decides a module scan: with a nil address, whether the library's slots are
// looked at at all; otherwise whether the slot holding address is to be
// re-pointed, and to what.
using ImportDecision = bool (*)(const char* libraryName, void* address, void** replacement);

class TJclPeMapImgHooks;

// One re-pointed slot. Its destructor restores the slot.
class TJclPeMapImgHookItem {
public:
    TJclPeMapImgHookItem(void* base, HostString libraryName, void* newAddress, void* originalAddress,
                         TJclPeMapImgHooks* owner, uint32_t* slot)
        : Base(base), LibraryName(static_cast<HostString&&>(libraryName)), NewAddress(newAddress),
          OriginalAddress(originalAddress), Owner(owner), Slot(slot) {}
    virtual ~TJclPeMapImgHookItem();

    // Writes OriginalAddress back into its slot while the slot still holds
    // NewAddress, unless the module's memory is free (unloaded); Base
    // becomes nil once done. Only this item's own slot is touched: two
    // imports re-pointed at one replacement are each restored to their own
    // routine.
    void Unhook();

    void* Base;               // the module whose table was changed; nil once restored
    HostString LibraryName;   // the imported library, as the descriptor names it
    void* NewAddress;         // written into the slot
    void* OriginalAddress;    // what the slot held (9x forwarding stub resolved)
    TJclPeMapImgHooks* Owner;
    uint32_t* Slot;           // the import slot that was re-pointed
};

class TJclPeMapImgHooks : public OwningList<TJclPeMapImgHookItem> {
public:
    // Scans the import table of the module at base: every slot of a library
    // that decide admits, whose value decide maps to a replacement, is
    // re-pointed and recorded. True when at least one slot changed.
    bool HookModule(void* base, ImportDecision decide);

    // In every descriptor naming libraryName (ignoring case), sets every slot
    // holding from to to. True when any slot changed.
    static bool ReplaceImport(void* base, const char* libraryName, void* from, void* to);
};

// The list of every re-pointed slot; created and freed by the runtime patch
// set (freeing it restores the slots).
extern TJclPeMapImgHooks* ImportHooks;

// The first slot of libraryName's descriptors holding address, nil if none.
void** FindImportSlot(void* base, const char* libraryName, void* address);

}  // namespace toravex
