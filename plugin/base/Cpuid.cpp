#include "base/Cpuid.h"

extern "C" {
int toravex_has_cpuid();
void toravex_read_cpuid(uint32_t leaf, uint32_t* result);
}

namespace toravex {

int32_t RoundToMultiple(int32_t value, int32_t unit, bool up) {
    if (unit == 0) return value;
    return up ? ((value - 1) / unit + 1) * unit : (value / unit) * unit;
}

bool HasCpuid() { return toravex_has_cpuid() != 0; }

void ReadCpuid(uint32_t leaf, uint32_t result[4]) { toravex_read_cpuid(leaf, result); }

bool HasMmx() {
    if (!HasCpuid()) return false;
    uint32_t r[4];
    ReadCpuid(1, r);
    return (r[3] & (1u << 23)) != 0;
}

}  // namespace toravex
