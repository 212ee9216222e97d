// SysUtils routines of the emulated runtime.
#include <windows.h>

#include "Bytes.h"
#include "EmuRuntime.h"

namespace emurtl {

[[noreturn]] void RaiseInvalidInteger(const char* s) {
    // SInvalidInteger: '%s' is not a valid integer value
    static const char kSuffix[] = "' is not a valid integer value";
    const int32_t length = hostabi::LengthOf(s);
    const int32_t suffix = static_cast<int32_t>(sizeof kSuffix) - 1;
    char* message = NewLongString(length + 1 + suffix);
    message[0] = '\'';
    CopyBytes(message + 1, s, length);
    CopyBytes(message + 1 + length, kSuffix, suffix);
    RaiseWithMessage(emu_EConvertError_record, message);
}

}  // namespace emurtl

extern "C" {
// The platform family: 2 on the NT family, 1 on Windows 9x.
int32_t emu_Sysutils_Win32Platform = VER_PLATFORM_WIN32_NT;
}
