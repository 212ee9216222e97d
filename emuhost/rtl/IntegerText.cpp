// SysUtils.IntToStr, SysUtils.StrToInt and Math.Max.
#include "Bytes.h"
#include "EmuRuntime.h"

namespace emurtl {

void HOSTCALL IntToStr(int32_t value, char** result) {
    char digits[12];
    int32_t n = 0;
    uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    const int32_t sign = value < 0 ? 1 : 0;
    char* text = NewLongString(n + sign);
    if (sign) text[0] = '-';
    for (int32_t i = 0; i < n; ++i) text[sign + i] = digits[n - 1 - i];
    AssignNew(result, text);
}

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
    RaiseInvalidInteger(s);
}

int32_t HOSTCALL Max(int32_t a, int32_t b) { return a > b ? a : b; }

}  // namespace emurtl

extern "C" {
void HOSTCALL emu_Sysutils_IntToStr(int32_t v, char** r) { emurtl::IntToStr(v, r); }
int32_t HOSTCALL emu_Sysutils_StrToInt(const char* s) { return emurtl::StrToInt(s); }
int32_t HOSTCALL emu_Math_Max(int32_t a, int32_t b) { return emurtl::Max(a, b); }
}
