// What the patch probe reads of the modules in its process: import slots by
// library and routine name, the code at routine entries, and which module
// (if any) an address belongs to.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace probe {

struct ImportSlot {
    std::string library;  // as the import descriptor names it
    std::string routine;  // "#<ordinal>" for imports by ordinal
    void** slot;
};

// Every import slot of a mapped image (nothing for a module that is not one).
std::vector<ImportSlot> ImportSlots(HMODULE module);

// The slot through which `module` imports `routine` from `library` (library
// compared without regard to case); nil when it does not import it.
void** FindImportSlot(HMODULE module, const char* library, const char* routine);

// Whether address lies inside the image of module.
bool Contains(HMODULE module, const void* address);

// The first bytes at an entry, and the target of a 5-byte jump (E9) there.
struct EntryBytes {
    uint8_t bytes[8];
};
EntryBytes ReadEntry(const void* entry);
const void* JumpTarget(const void* code);  // nil when the code is no E9 jump

// Copies a module file, writing `value` into the first import slot of
// `library` on disk, as a binder does: a module loaded without resolving its
// imports then holds `value` in that slot.
bool CopyBound(const std::string& from, const std::string& to, const char* library, const void* value);

}  // namespace probe
