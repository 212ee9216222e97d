// The libraries a module imports, directly or delay-loaded.
#pragma once

namespace toravex {

class HostStringList;

// Every library name of the module's import and delay-import descriptors,
// in table order, each exact spelling once. The caller frees the list.
HostStringList* ImportedLibraryNames(const void* base);

}  // namespace toravex
