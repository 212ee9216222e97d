// Direct binding of the runtime helpers that compiled packages call most:
// each gets a call-site stub in the replacement map, so that every module
// scanned afterwards has the stub in its import slot, and each direct call
// of the import thunk is rewritten on its first run into a call of the
// routine itself.
#pragma once

#include <array>

#include "HostNames.h"

namespace toravex {

// The 88 helpers, in the order they are bound: string, wide-string,
// interface, dynamic-array, 64-bit arithmetic, object-lifetime and list
// helpers of the runtime package.
extern const std::array<const hostnames::HostName*, 88> RuntimeImportTable;

}  // namespace toravex
