// An exported entry of the emulated host, by its id in hostabi/HostExports.inc,
// for the emulated modules built outside the runtime package: imported from
// the module that exports it. Code linked into the runtime package itself
// (the VCL of build 50, whose runtime package is also its VCL package) takes
// the runtime's own entries instead (EMUHOST_IN_RUNTIME_PACKAGE).
//
//   HOST_ENTRY(Sysutils_Exception)  the address of the entry (or data)
#pragma once

#if EMUHOST_IN_RUNTIME_PACKAGE

#define EMUHOST_DECLARE_RTL(id) extern "C" void emu_##id();
#define EMUHOST_DECLARE_DATA_RTL(id) extern "C" char emu_##id[];
// The entries of the IDE's other packages and its compiler libraries are
// not the runtime's own.
#define EMUHOST_DECLARE_CORE(id)
#define EMUHOST_DECLARE_DATA_CORE(id)
#define EMUHOST_DECLARE_DELPHICORE(id)
#define EMUHOST_DECLARE_DATA_DELPHICORE(id)
#define EMUHOST_DECLARE_DCC(id)
#define EMUHOST_DECLARE_DATA_DCC(id)
#define EMUHOST_DECLARE_COMP32(id)
#define EMUHOST_DECLARE_DATA_COMP32(id)
#define EMUHOST_DECLARE_VCL(id)
#define EMUHOST_DECLARE_DATA_VCL(id)
#define EMUHOST_DECLARE_IDESERVICES(id)
#define EMUHOST_DECLARE_DATA_IDESERVICES(id)
#define EMUHOST_DECLARE_PALETTE(id)
#define EMUHOST_DECLARE_DATA_PALETTE(id)
#define EMUHOST_DECLARE_CORE(id)
#define EMUHOST_DECLARE_DATA_CORE(id)
#define HOST_EXPORT(id, module, builds, name) EMUHOST_DECLARE_##module(id)
#define HOST_DATA(id, module, builds, name) EMUHOST_DECLARE_DATA_##module(id)
#define HOST_RAISES(id, module, builds, name) EMUHOST_DECLARE_##module(id)
#include "HostExports.inc"
#undef HOST_EXPORT
#undef HOST_DATA
#undef HOST_RAISES
#define HOST_ENTRY(id) reinterpret_cast<void*>(&emu_##id)

#else

#include "RuntimeImports.h"
#define HOST_ENTRY(id) reinterpret_cast<void*>(&rtlimp_##id)

#endif
