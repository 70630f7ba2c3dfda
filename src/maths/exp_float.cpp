// expf, exp2f and pow25f: reduce to 2^k e^r, |r| <= ln2/2, then the series of
// exp_series.h. Overflow to infinity and gradual underflow need no cases of
// their own: the double result is rounded to float, which does both.
#include "maths/exp_series.h"
#include "maths/float_estimates.h"
#include "maths/float_functions.h"

#include <limits>

namespace fennrow::maths {

namespace detail {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

Estimate withWidth(double y) { return {y, y * kExpRelativeWidth}; }

// log2(25) = kLog2Of25Hi + kLog2Of25Lo + O(2^-82); kLog2Of25Hi has 29
// significant bits, so its product with a float is exact.
constexpr double kLog2Of25Hi = 0x4.a4d3c24p+0;
constexpr double kLog2Of25Lo = 0x1.e68dc57f2496p-28;

// 2^(k + f) for an integer k in [-160, 160] and |f| <= 1/2 known to within
// fError: r = f ln2 rounds twice (the product and ln2 itself), so e^r errs
// by 2^-53.5 + fError relative, and the series by 2^-52.
double powerOfTwoSplit(double k, double f) {
    return expSeries(f * kLn2) * powerOfTwo(static_cast<int64_t>(k));
}

} // namespace

// e^x >= 2^128 beyond 88.73, and below 2^-150 (rounding to +0) under -103.98.
Estimate expEstimate(float x) {
    if (x != x) return {static_cast<double>(x + x), 0.0};
    if (x > 89.0f) return {kInfinity, 0.0};
    if (x < -104.0f) return {0.0, 0.0};
    if (x == 0.0f) return {1.0, 0.0};
    return withWidth(expOfReduced(x));
}

// 2^x: x = k + f with f = x - k exact. An integer x gives the exact power
// (2^-150, a tie, then rounds to 0 as it should).
Estimate exp2Estimate(float x) {
    if (x != x) return {static_cast<double>(x + x), 0.0};
    if (x >= 128.0f) return {kInfinity, 0.0};
    if (x < -151.0f) return {0.0, 0.0};
    const double xd = x;
    const double k = (xd + kRoundingShift) - kRoundingShift;
    const double f = xd - k;
    if (f == 0.0) return {powerOfTwo(static_cast<int64_t>(k)), 0.0};
    return withWidth(powerOfTwoSplit(k, f));
}

// 25^x = 2^(x log2 25): x kLog2Of25Hi is exact, its distance f0 to the
// nearest integer k too (both are multiples of its last bit, |f0| <= 1/2);
// x kLog2Of25Lo and the missing bits of log2 25 add below 2^-75 and the sum
// f rounds once (2^-54 absolute). 25^x >= 2^128 from x = 27.57 on and
// below 2^-150 under -32.3.
Estimate pow25Estimate(float x) {
    if (x != x) return {static_cast<double>(x + x), 0.0};
    if (x >= 28.0f) return {kInfinity, 0.0};
    if (x <= -33.0f) return {0.0, 0.0};
    if (x == 0.0f) return {1.0, 0.0};
    const double xd = x;
    const double t = xd * kLog2Of25Hi;
    const double k = (t + kRoundingShift) - kRoundingShift;
    const double f = (t - k) + xd * kLog2Of25Lo;
    return withWidth(powerOfTwoSplit(k, f));
}

} // namespace detail

float expf(float x) { return detail::correctlyRounded(detail::expEstimate(x), detail::kExpHardCases, x); }
float exp2f(float x) { return detail::correctlyRounded(detail::exp2Estimate(x), detail::kExp2HardCases, x); }
float pow25f(float x) {
    return detail::correctlyRounded(detail::pow25Estimate(x), detail::kPow25HardCases, x);
}

} // namespace fennrow::maths
