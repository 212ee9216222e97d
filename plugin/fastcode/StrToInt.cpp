#include "fastcode/StrToInt.h"
#include "fastcode/FastcodeCPUID.h"

#include "HostLayout.h"
#include "base/HostException.h"
#include "base/HostRuntime.h"
#include "base/HostString.h"

namespace toravex {

namespace {

// The decimal value before a further digit may not exceed this, so that
// value * 10 + digit still fits 32 bits unsigned.
constexpr uint32_t kDecimalLimit = 214748364;
// The hexadecimal value before a further digit may not exceed this.
constexpr uint32_t kHexLimit = 0x0FFFFFFF;

// The value of a hexadecimal digit; 16 for any other character.
inline uint32_t HexDigit(uint8_t c) {
    const uint32_t decimal = c - uint32_t{'0'};
    if (decimal <= 9) return decimal;
    const uint32_t letter = (c & ~0x20u) - uint32_t{'A'};
    return letter <= 5 ? letter + 10 : 16;
}

// Parses the host long string s; false for a text StrToInt rejects.
// FreeDigits leading decimal digits are taken without the limit test (at
// most 9, so they cannot overflow).
template <int FreeDigits>
__attribute__((always_inline)) inline bool ParseInteger(const char* s, int32_t& value) {
    static_assert(FreeDigits >= 1 && FreeDigits <= 9);
    if (!s) return false;
    const uint8_t* p = reinterpret_cast<const uint8_t*>(s);
    const uint8_t* const end = p + hostabi::LengthOf(s);
    while (p < end && *p == ' ') ++p;
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
    if (p == end) return false;

    uint32_t v = 0;
    const bool zeroX = p[0] == '0' && p + 1 < end && (p[1] | 0x20) == 'x';
    if (zeroX || p[0] == '$' || p[0] == 'x' || p[0] == 'X') {
        p += zeroX ? 2 : 1;
        if (p == end) return false;
        for (; p < end; ++p) {
            uint32_t d = HexDigit(*p);
            if (d > 15 || v > kHexLimit) return false;
            v = v * 16 + d;
        }
        value = static_cast<int32_t>(negative ? 0u - v : v);
        return true;
    }

    const uint8_t* const freeEnd = end - p > FreeDigits ? p + FreeDigits : end;
    for (; p < freeEnd; ++p) {
        uint32_t d = *p - static_cast<uint32_t>('0');
        if (d > 9) return false;
        v = v * 10 + d;
    }
    for (; p < end; ++p) {
        uint32_t d = *p - static_cast<uint32_t>('0');
        if (d > 9 || v > kDecimalLimit) return false;
        v = v * 10 + d;
    }
    if (negative) {
        if (v > 0x80000000u) return false;  // 0x80000000 itself is -2147483648
        value = static_cast<int32_t>(0u - v);
    } else {
        if (v > 0x7FFFFFFFu) return false;
        value = static_cast<int32_t>(v);
    }
    return true;
}

using CreateResFmt = void*(HOSTCALL_STACK*)(const void* classRef, int8_t allocate, const hostabi::ResStringRec* res,
                                            int32_t argsHigh, const hostabi::VarRec* args);

// raise EConvertError.CreateResFmt(@SInvalidInteger, [S]), built by the
// host's own constructor from the host's resource string.
[[noreturn]] __attribute__((noinline, cold)) void RaiseInvalidInteger(const char* s) {
    const HMODULE rtl = Runtime().module;
    const auto create = FindHostRoutine<CreateResFmt>(rtl, hostnames::Sysutils_Exception_CreateResFmt);
    const void* convertError = FindHostExport(rtl, hostnames::Sysutils_EConvertError);
    const auto* message =
        static_cast<const hostabi::ResStringRec*>(FindHostExport(rtl, hostnames::Sysconst_SInvalidInteger));
    if (!create || !convertError || !message) {
        // Not the host's runtime: still never report a value for a rejected text.
        RaiseException(static_cast<DWORD>(0xC000000D) /* invalid parameter */, EXCEPTION_NONCONTINUABLE, 0, nullptr);
        __builtin_unreachable();
    }
    void* error;
    {
        // Our own reference to S while the message is built; released before
        // the raise, which skips destructors.
        HostString held = HostString::Share(s);
        hostabi::VarRec arg{};
        arg.vAnsiString = held.Get();
        arg.vType = hostabi::vartype::kAnsiString;
        error = create(convertError, 1, message, 0, &arg);
    }
    host::RaiseHostException(error);
}

template <int FreeDigits>
__attribute__((always_inline)) inline int32_t StrToIntOrRaise(const char* s) {
    int32_t value;
    if (ParseInteger<FreeDigits>(s, value)) return value;
    RaiseInvalidInteger(s);
}

}  // namespace

int32_t HOSTCALL StrToIntA(const char* s) { return StrToIntOrRaise<8>(s); }
int32_t HOSTCALL StrToIntB(const char* s) { return StrToIntOrRaise<7>(s); }
int32_t HOSTCALL StrToIntC(const char* s) { return StrToIntOrRaise<2>(s); }
int32_t HOSTCALL StrToIntD(const char* s) { return StrToIntOrRaise<3>(s); }
int32_t HOSTCALL StrToIntE(const char* s) { return StrToIntOrRaise<9>(s); }

StrToIntRoutine StrToIntFor(uint8_t target) {
    return ByTarget<StrToIntRoutine>(target, {
        StrToIntE, StrToIntE, StrToIntE, StrToIntE, StrToIntC,
        StrToIntC, StrToIntB, StrToIntA, StrToIntB, StrToIntD});
}

}  // namespace toravex
