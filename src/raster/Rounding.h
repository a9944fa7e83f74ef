#pragma once

#include <cmath>

namespace vexmira::raster {

// Rounds to the nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4), which is how
// the program rounds everywhere. std::round would send halves away from zero instead.
inline long long roundHalfEven(double value) {
    const double floorValue = std::floor(value);
    const double fraction = value - floorValue;
    long long result = static_cast<long long>(floorValue);
    if (fraction > 0.5 || (fraction == 0.5 && (result % 2 != 0))) ++result;
    return result;
}

inline int roundToInt(double value) {
    return static_cast<int>(roundHalfEven(value));
}

} // namespace vexmira::raster
