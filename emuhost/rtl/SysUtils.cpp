// SysUtils routines of the emulated runtime.
#include <windows.h>


#include "EmuRuntime.h"

namespace emurtl {

// The texts StrToInt accepts: leading blanks, one sign, then decimal digits,
// or hexadecimal ones after "$", "x", "X", "0x" or "0X"; nothing after them.
static bool ParseInteger(const char* s, int32_t length, int32_t* value) {
    int32_t i = 0;
    while (i < length && s[i] == ' ') ++i;
    bool negative = false;
    if (i < length && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    if (i >= length) return false;

    bool hex = false;
    if (s[i] == '$' || s[i] == 'x' || s[i] == 'X') {
        hex = true;
        i += 1;
    } else if (s[i] == '0' && i + 1 < length && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }

    uint32_t v = 0;
    if (hex) {
        if (i >= length) return false;
        for (; i < length; ++i) {
            char c = s[i];
            uint32_t d;
            if (c >= '0' && c <= '9') d = static_cast<uint32_t>(c - '0');
            else if (c >= 'A' && c <= 'F') d = static_cast<uint32_t>(c - 'A' + 10);
            else if (c >= 'a' && c <= 'f') d = static_cast<uint32_t>(c - 'a' + 10);
            else return false;
            if (v > 0x0FFFFFFFu) return false;
            v = v * 16 + d;
        }
        *value = negative ? static_cast<int32_t>(0u - v) : static_cast<int32_t>(v);
        return true;
    }

    if (s[i] < '0' || s[i] > '9') return false;
    for (; i < length; ++i) {
        char c = s[i];
        if (c < '0' || c > '9') return false;
        if (v > 214748364u) return false;
        v = v * 10 + static_cast<uint32_t>(c - '0');
    }
    if (negative) {
        if (static_cast<int32_t>(v) >= 0) *value = -static_cast<int32_t>(v);
        else if (v == 0x80000000u) *value = INT32_MIN;
        else return false;
        return true;
    }
    if (static_cast<int32_t>(v) < 0) return false;
    *value = static_cast<int32_t>(v);
    return true;
}

int32_t HOSTCALL StrToInt(const char* s) {
    int32_t value;
    if (ParseInteger(s, hostabi::LengthOf(s), &value)) return value;
    hostabi::VarRec arg{};
    arg.vAnsiString = s;
    arg.vType = hostabi::vartype::kAnsiString;
    RaiseResFmt(emu_EConvertError_record, &emu_Sysconst_SInvalidInteger, &arg, 1);
}

}  // namespace emurtl

extern "C" {
int32_t HOSTCALL emu_Sysutils_StrToInt(const char* s) { return emurtl::StrToInt(s); }
// The platform family: 2 on the NT family, 1 on Windows 9x.
int32_t emu_Sysutils_Win32Platform = VER_PLATFORM_WIN32_NT;
}
