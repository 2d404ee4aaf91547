#pragma once

#include <cstdint>
#include <limits>

namespace sim {

// Time sums and differences that stop at the ends of int64 instead of wrapping.
inline int64_t addSaturating(int64_t a, int64_t b)
{
    if (b > 0 && a > std::numeric_limits<int64_t>::max() - b)
        return std::numeric_limits<int64_t>::max();
    if (b < 0 && a < std::numeric_limits<int64_t>::min() - b)
        return std::numeric_limits<int64_t>::min();
    return a + b;
}

// later - earlier for later >= earlier.
inline int64_t elapsedSaturating(int64_t later, int64_t earlier)
{
    if (earlier < 0 && later > std::numeric_limits<int64_t>::max() + earlier)
        return std::numeric_limits<int64_t>::max();
    return later - earlier;
}

} // namespace sim
