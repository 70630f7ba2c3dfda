// Integer members of a clip ("formatVersion", "num", "den", "bar") arrive as
// JSON numbers, which may hold anything a double can. Converting an
// out-of-range double to an int is undefined behaviour, so every such member
// goes through this one saturating rule.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace fennrow::document {

// Truncates toward zero; values beyond the 32-bit range (infinities included)
// clamp to the nearest end of it, and not-a-number gives 0.
inline int32_t saturatingTruncateToInt32(double value) {
    if (std::isnan(value)) return 0;
    constexpr double kMax = static_cast<double>(std::numeric_limits<int32_t>::max());
    constexpr double kMin = static_cast<double>(std::numeric_limits<int32_t>::min());
    if (value >= kMax) return std::numeric_limits<int32_t>::max();
    if (value <= kMin) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

} // namespace fennrow::document
