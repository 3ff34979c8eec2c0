#pragma once

#include <algorithm>
#include <vector>

namespace nimbral::bench {

// The value below which a share p (0..1) of the samples lies (nearest rank); 0 for none.
inline double percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(p * values.size()))];
}

} // namespace nimbral::bench
