#pragma once

#include <algorithm>
#include <vector>

namespace orvanel::bench {

// The middle of a run's samples (the mean of the middle two for an even count; 0 for
// none): a figure that the few samples another program spoiled do not move.
inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

} // namespace orvanel::bench
