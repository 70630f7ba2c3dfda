#pragma once

#include <limits>

namespace fennrow {

// Host doubles narrowed to float. A value beyond the float range would be
// undefined to convert; it becomes the infinity of its sign instead, which is
// what the hardware conversion gives anyway.
inline float narrowToFloat(double value) {
    constexpr double kLargest = std::numeric_limits<float>::max();
    if (value > kLargest) return std::numeric_limits<float>::infinity();
    if (value < -kLargest) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

} // namespace fennrow
