// Formatting the plug-in's own texts (log lines, step names, captions) with
// the formatter of the system's C runtime (msvcrt.dll), the way printf
// formats; the result is always zero-terminated and cut to fit. The C++
// library's snprintf is not used: its code would come into the library
// from the toolchain's prebuilt runtime, which is built for newer
// processors than the plug-in runs on.
#pragma once

#include <cstdarg>
#include <cstddef>

namespace toravex {

// The number of characters written, without the terminating zero.
size_t FormatText(char* buffer, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));
size_t FormatTextV(char* buffer, size_t size, const char* format, va_list args);

}  // namespace toravex
