#include "TuningRules.h"

#include <algorithm>
#include <cmath>

namespace tuning {

double GeometricMean(std::span<const double> values) {
    if (values.empty()) return 0;
    double logSum = 0;
    for (double v : values) logSum += std::log(v);
    return std::exp(logSum / static_cast<double>(values.size()));
}

size_t ChooseVariant(std::span<const double> meanNs, size_t tableIndex) {
    if (meanNs.empty()) return npos;
    const size_t fastest = static_cast<size_t>(std::min_element(meanNs.begin(), meanNs.end()) - meanNs.begin());
    if (tableIndex < meanNs.size() && meanNs[fastest] >= meanNs[tableIndex] * (1 - kTieMargin)) return tableIndex;
    return fastest;
}

int32_t LargeMoveBytes(std::span<const int32_t> sizes, std::span<const double> ordinaryNs,
                       std::span<const double> bypassNs, int32_t tableBytes) {
    // From the largest size down, while the bypassing loops win.
    size_t first = sizes.size();
    while (first > 0 && bypassNs[first - 1] < ordinaryNs[first - 1]) --first;
    if (first == sizes.size()) return sizes.empty() ? tableBytes : sizes.back();
    if (first == 0) return std::min(tableBytes, sizes.front());
    return sizes[first - 1];
}

}  // namespace tuning
