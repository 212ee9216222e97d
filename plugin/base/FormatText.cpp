#include "base/FormatText.h"

#include <stdio.h>

namespace toravex {

size_t FormatTextV(char* buffer, size_t size, const char* format, va_list args) {
    if (!buffer || size == 0) return 0;
    // _vsnprintf leaves the text unterminated when it fills the buffer and
    // answers -1 when it did not fit.
    const int n = _vsnprintf(buffer, size - 1, format, args);
    const size_t length = n < 0 || static_cast<size_t>(n) > size - 1 ? size - 1 : static_cast<size_t>(n);
    buffer[length] = 0;
    return length;
}

size_t FormatText(char* buffer, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const size_t length = FormatTextV(buffer, size, format, args);
    va_end(args);
    return length;
}

}  // namespace toravex
