// An installer operation that stopped: its text is shown as it stands in the
// standard error box. Operations return it instead of raising it: the
// installer is built without C++ exceptions, whose toolchain support is
// built for newer processors than the installer runs on.
#pragma once

#include <optional>
#include <string>

namespace setup {

struct SetupError {
    std::string text;
};

// The outcome of an operation: empty when it was done.
using SetupOutcome = std::optional<SetupError>;

}  // namespace setup
