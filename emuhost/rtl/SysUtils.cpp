// SysUtils routines of the emulated runtime.
#include <windows.h>

#include "EmuRuntime.h"

namespace emurtl {

void RaiseInvalidInteger(const char* s) {
    hostabi::VarRec arg{};
    arg.vAnsiString = s;
    arg.vType = hostabi::vartype::kAnsiString;
    RaiseResFmt(emu_EConvertError_record, &emu_Sysconst_SInvalidInteger, &arg, 1);
}

}  // namespace emurtl

extern "C" {
// The platform family: 2 on the NT family, 1 on Windows 9x.
int32_t emu_Sysutils_Win32Platform = VER_PLATFORM_WIN32_NT;
}
