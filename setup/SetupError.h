// An installer operation that stops: its text is shown as it stands in the
// standard error box.
#pragma once

#include <stdexcept>
#include <string>

namespace setup {

class SetupError : public std::runtime_error {
public:
    explicit SetupError(const std::string& text) : std::runtime_error(text) {}
};

}  // namespace setup
