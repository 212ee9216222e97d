// How toravex-cpuinfo --tune turns measurements into choices. Pure rules,
// kept apart from the measuring so they can be checked on given figures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tuning {

// Another variant replaces the table's only when its mean time is lower by
// more than this share: closer figures are a tie within the noise of a
// measurement, and a tie keeps the table's choice.
inline constexpr double kTieMargin = 0.03;

// The geometric mean of positive figures (0 for none): every size counts
// the same, whatever its absolute time.
double GeometricMean(std::span<const double> values);

// The index of the variant to use, given each variant's mean time and the
// index of the table's variant (npos when the table's is not among them):
// the fastest, unless the table's is within kTieMargin of it.
inline constexpr size_t npos = static_cast<size_t>(-1);
size_t ChooseVariant(std::span<const double> meanNs, size_t tableIndex);

// The large-move size in bytes (block parts above it bypass the cache),
// from timings of one move size after the other (ascending) with the
// ordinary and with the cache-bypassing loops: the largest size at which
// the ordinary loops still win, when the bypassing loops win at every size
// above it. When they win from the smallest size on, the table's value
// stands if it is smaller; when they lose at the largest size, the largest
// size is returned (only larger moves bypass the cache).
int32_t LargeMoveBytes(std::span<const int32_t> sizes, std::span<const double> ordinaryNs,
                       std::span<const double> bypassNs, int32_t tableBytes);

}  // namespace tuning
