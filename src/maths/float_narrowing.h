// A double as a 32-bit float, rounded to nearest as the hardware does, but
// without converting a value outside the float range (undefined behaviour).
#pragma once

// External inline functions: before avx2_target_begin.h in an AVX2 file.
#if defined(FENNROW_AVX2_TARGET)
#error "include this header before avx2_target_begin.h"
#endif

#include <cmath>
#include <limits>

namespace fennrow::maths {

// Up to half a step above the largest float rounds down to it
// ("3.4028235e38", the text of the largest float, must read back as that
// float); from there on it is the infinity of its sign. Not a number stays
// not a number.
inline float narrowToFloat(double value) {
    constexpr double kLargest = std::numeric_limits<float>::max();
    // Halfway between the largest float and 2^128; ties round to even, which
    // is 2^128, so the halfway value itself overflows.
    constexpr double kOverflow = kLargest + 0x1p103;
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    if (std::isnan(value)) return std::numeric_limits<float>::quiet_NaN();
    if (std::fabs(value) >= kOverflow) return value > 0 ? kInfinity : -kInfinity;
    if (std::fabs(value) > kLargest) return value > 0 ? float(kLargest) : -float(kLargest);
    return static_cast<float>(value);
}

} // namespace fennrow::maths
