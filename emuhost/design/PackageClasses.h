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

// The classes of the runtime package a class of this package may derive from.
enum class RuntimeParent { TObject, TInterfacedObject };

// Fills c as a class deriving from a class of the runtime package, as the
// compiler lays one out: the parent's NewInstance, FreeInstance and Destroy
// named through this package's import thunks, its other virtual methods as
// the parent's record names them. initTable (record type information of the
// fields the class itself declares) and intfTable are the class's own.
void DefinePackageClass(PackageClass& c, const unsigned char* name, int32_t instanceSize, RuntimeParent parent,
                        void* initTable, void* intfTable = nullptr);
// The same for a class deriving from a class of this package, defined
// before it: it inherits the methods the parent was defined with.
void DefinePackageClass(PackageClass& c, const unsigned char* name, int32_t instanceSize, PackageClass& parent,
                        void* initTable, void* intfTable = nullptr);

}  // namespace design
