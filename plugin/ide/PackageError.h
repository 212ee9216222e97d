// The runtime's package error, raised as the host raises it: an
// EPackageError made by the host's own Exception.CreateResFmt from one of the
// runtime's resource strings.
#pragma once

#include <initializer_list>

#include "base/HostRuntime.h"

namespace toravex {

// Raises EPackageError with the resource string `message` (a host export,
// such as Sysconst_SDuplicatePackageUnit) formatted with `args` (at most
// three zero-terminated texts, copied). The caller must hold no host string
// of its own: the raise skips destructors.
[[noreturn]] void RaisePackageError(const hostnames::HostName& message, std::initializer_list<const char*> args);

}  // namespace toravex
