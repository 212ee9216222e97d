// The arithmetic behind the 64-bit helpers of Int64Helpers.S.
#include "EmuRuntime.h"

using emurtl::RuntimeError;

extern "C" {
uint64_t emurtl_llmul(uint64_t a, uint64_t b) { return a * b; }
int64_t emurtl_llmulo(int64_t a, int64_t b) {
    int64_t r;
    if (__builtin_mul_overflow(a, b, &r)) RuntimeError(emurtl::kIntOverflow);
    return r;
}
int64_t emurtl_lldiv(int64_t a, int64_t b) {
    if (b == 0) RuntimeError(emurtl::kDivByZero);
    if (b == -1) return static_cast<int64_t>(0 - static_cast<uint64_t>(a));  // wraps as the processor does
    return a / b;
}
int64_t emurtl_lldivo(int64_t a, int64_t b) {
    if (b == -1 && a == INT64_MIN) RuntimeError(emurtl::kIntOverflow);
    return emurtl_lldiv(a, b);
}
int64_t emurtl_llmod(int64_t a, int64_t b) {
    if (b == 0) RuntimeError(emurtl::kDivByZero);
    return b == -1 ? 0 : a % b;
}
int64_t emurtl_llmodo(int64_t a, int64_t b) { return emurtl_llmod(a, b); }
uint64_t emurtl_lludiv(uint64_t a, uint64_t b) {
    if (b == 0) RuntimeError(emurtl::kDivByZero);
    return a / b;
}
uint64_t emurtl_llumod(uint64_t a, uint64_t b) {
    if (b == 0) RuntimeError(emurtl::kDivByZero);
    return a % b;
}
// Counts of 64 or more shift everything out.
uint64_t emurtl_llshl(uint64_t a, uint32_t count) { return count >= 64 ? 0 : a << count; }
uint64_t emurtl_llushr(uint64_t a, uint32_t count) { return count >= 64 ? 0 : a >> count; }
}
