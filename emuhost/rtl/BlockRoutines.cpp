// System.Move, System.FillChar and SysUtils.CompareMem.
#include "Bytes.h"
#include "EmuRuntime.h"

namespace emurtl {

// Copies as if through a buffer: forwards when Dest lies below Source,
// backwards otherwise, so overlapping blocks come out right.
void HOSTCALL Move(const void* source, void* dest, int32_t count) {
    auto* s = static_cast<const unsigned char*>(source);
    auto* d = static_cast<unsigned char*>(dest);
    if (count <= 0 || s == d) return;
    if (d < s) {
        for (int32_t i = 0; i < count; ++i) d[i] = s[i];
    } else {
        for (int32_t i = count - 1; i >= 0; --i) d[i] = s[i];
    }
}

void HOSTCALL FillChar(void* dest, int32_t count, unsigned char value) {
    if (count > 0) FillBytes(dest, value, count);
}

bool HOSTCALL CompareMem(const void* p1, const void* p2, int32_t length) {
    auto* a = static_cast<const unsigned char*>(p1);
    auto* b = static_cast<const unsigned char*>(p2);
    for (int32_t i = 0; i < length; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

}  // namespace emurtl

extern "C" {
void HOSTCALL emu_System_Move(const void* s, void* d, int32_t n) { emurtl::Move(s, d, n); }
void HOSTCALL emu_System_FillChar(void* d, int32_t n, unsigned char v) { emurtl::FillChar(d, n, v); }
bool HOSTCALL emu_Sysutils_CompareMem(const void* a, const void* b, int32_t n) { return emurtl::CompareMem(a, b, n); }
}
