// sin r for |r| <= pi/2 (plus a hair) as r + r^3 Q(r^2), Q the Taylor
// series to the r^21 term. The first term left out, r^23/23!, is below
// 2^-59.5 at pi/2, where sin r is near 1; below, it shrinks faster than
// sin r. The evaluation in double, with Q's alternating terms and the last
// sum (which at pi/2 adds -0.57 to 1.57), errs by less than 2^-51 |sin r|,
// so with the reduction's 2^-52 |r| (sin's slope is at most 1 and
// |r| / |sin r| <= pi/2) the total is below 2^-50 |sin r| plus the
// reduction's absolute error: the functions use a width of 2^-49.
#pragma once

#include <bit>
#include <cstdint>

namespace fennrow::maths::detail {

inline constexpr uint64_t kSignBit = 0x8000000000000000ull;

inline constexpr double kSineCoefficients[] = {
    -1.0 / 6.0,
    1.0 / 120.0,
    -1.0 / 5040.0,
    1.0 / 362880.0,
    -1.0 / 39916800.0,
    1.0 / 6227020800.0,
    -1.0 / 1307674368000.0,
    1.0 / 355687428096000.0,
    -1.0 / 121645100408832000.0,
    1.0 / 51090942171709440000.0,
};
inline constexpr int kSineTerms = sizeof(kSineCoefficients) / sizeof(kSineCoefficients[0]);
inline constexpr double kSineRelativeWidth = 0x1p-49;

inline double sineKernel(double r) {
    const double r2 = r * r;
    double q = kSineCoefficients[kSineTerms - 1];
    for (int i = kSineTerms - 2; i >= 0; --i) q = q * r2 + kSineCoefficients[i];
    // r + r^3 q loses the sign of a zero r; sin r has the sign of r.
    const double s = r + r * (r2 * q);
    return std::bit_cast<double>((std::bit_cast<uint64_t>(s) & ~kSignBit) | (std::bit_cast<uint64_t>(r) & kSignBit));
}

} // namespace fennrow::maths::detail
