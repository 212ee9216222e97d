// Class records of a design package, in the host's layout: the header with
// the negative-offset fields below the class reference.
#pragma once

#include <cstdint>

#include "HostLayout.h"

namespace design {

struct PackageClass {
    hostabi::ClassHeader header;
    void* firstVirtual;
    void* Ref() { return &firstVirtual; }
};

// Fills c as a class deriving from the class whose reference parentCell
// holds: an import slot for a class of the runtime package, the parent's
// selfPtr for a class of this package. The class inherits the parent's
// virtual methods; where the parent names one of the runtime's exported
// routines, the class names it through this package's import thunk, as
// compiled code of another package does. initTable (record type information
// of the fields the class itself declares) and intfTable are its own.
void DefinePackageClass(PackageClass& c, const unsigned char* name, int32_t instanceSize, void** parentCell,
                        void* initTable, void* intfTable = nullptr);

}  // namespace design
