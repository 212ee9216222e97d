// The object allocation accelerator. The host's TObject.NewInstance is
// redirected to AcceleratedNewInstance; the first instance of a class whose
// NewInstance is TObject's or TInterfacedObject's (and whose instance size
// is a multiple of 4) builds that class's accelerator (FastObjAccelerator.h),
// whose generated stubs then take the class's NewInstance and, unless the
// class has its own, FreeInstance slots. When a module is unloaded its
// classes get their slots back; at unit end every class still loaded does.
//
// One lock serialises the building of accelerators, the list, unloads and
// the end; Creating tells other threads that one is being built, and their
// instances then come from the host path.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <span>

#include "HostCall.h"
#include "base/HostRuntime.h"

namespace toravex {

// The lists of host names the accelerator calls: a host that lacks one
// keeps its TObject.NewInstance, and no class is accelerated.
std::span<const HostNeeds* const> FastObjNeeds();

// Module preparation: lock, code heap, accelerator list, the host routines,
// the processor's MMX, and the module-unload callback.
void PrepareFastObj();
// Start-up (unless "NoFastObj"): redirects TObject.NewInstance; a second
// call does nothing.
void InstallFastObj();
// Module teardown: the redirection removed, the callback unregistered, every
// accelerator released (classes still loaded get their slots back), the
// lock and the code heap freed.
void TeardownFastObj();

// The replacement of TObject.NewInstance.
void* HOSTCALL AcceleratedNewInstance(const void* classRef);
// Builds the class's accelerator unless one is being built or the class
// cannot have one (its size, its own NewInstance, already accelerated).
void AccelerateClass(const void* classRef);
// The module-unload callback: releases the accelerators of module's classes.
void HOSTCALL ModuleUnloaded(uint32_t module);

// For tests: how many accelerators are alive, and the heap of their stubs.
size_t AcceleratorCount();
HANDLE CodeHeapHandle();

}  // namespace toravex
