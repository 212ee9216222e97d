#include "fastcode/IntToStr.h"

#include "base/HostRuntime.h"

namespace toravex {

void HOSTCALL IntToStr(int32_t value, char** result) {
    static constexpr char kDigits[] = "0123456789";
    char text[11];  // room for "-2147483648"
    char* first = text + sizeof text;
    // The magnitude as unsigned, so -2147483648 needs no case of its own.
    uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    do {
        *--first = kDigits[magnitude % 10];
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) *--first = '-';
    // One host call releases the old result and makes the new string.
    if (auto fromText = Runtime().lstrFromPCharLen)
        fromText(result, first, static_cast<int32_t>(text + sizeof text - first));
}

}  // namespace toravex
