// The host's decorated export names as C++ constants (see HostExports.inc).
#pragma once

namespace hostnames {

enum Builds : unsigned {
    B50 = 1u << 0,
    B60 = 1u << 1,
    B70 = 1u << 2,
    B90 = 1u << 3,
    B100 = 1u << 4,
    ALL = B50 | B60 | B70 | B90 | B100,
};

// The host module of an entry: RTL the runtime package, CORE the IDE's core
// package; VclInterface.h names the others per build.
enum class Module { RTL, CORE, VCL, IDESERVICES, PALETTE };

struct HostName {
    const char* decorated;
    Module module;
    unsigned builds;
};

#define HOST_EXPORT(id, module, builds, name) inline constexpr HostName id{name, Module::module, builds};
#define HOST_DATA(id, module, builds, name) HOST_EXPORT(id, module, builds, name)
#define HOST_RAISES(id, module, builds, name) HOST_EXPORT(id, module, builds, name)
#include "HostExports.inc"
#undef HOST_EXPORT
#undef HOST_DATA
#undef HOST_RAISES

}  // namespace hostnames
