// tanhf as (e^u - 1) / (e^u - 1 + 2), u = 2|x|, with e^u - 1 taken without
// cancellation for small u.
#include "maths/exp_series.h"
#include "maths/float_estimates.h"
#include "maths/float_functions.h"

namespace fennrow::maths {

namespace detail {

namespace {

// Above this |x|, 1 - tanh|x| < 2e^(-2|x|) is far below half an ulp of 1.
constexpr float kTanhSaturation = 10.0f;
constexpr double kHalfLn2 = 0.34657359027997264;

} // namespace

// Error of m = e^u - 1: below 2^-52 relative for u <= ln2/2 (expm1Series);
// above, e^u errs by 2^-51.5 and the subtraction scales that by
// e^u / (e^u - 1) <= 3.42, but tanh = m / (m + 2) feels an error in m only
// through 2 / (m + 2) <= 0.83, and two more roundings follow: below 2^-49.6
// in all. The width is 2^-48.
Estimate tanhEstimate(float x) {
    if (x != x) return {static_cast<double>(x + x), 0.0};
    const double sign = x < 0.0f ? -1.0 : 1.0;
    if (x == 0.0f) return {static_cast<double>(x), 0.0};
    if (x > kTanhSaturation || x < -kTanhSaturation) return {sign, 0.0};
    const double u = 2.0 * static_cast<double>(x) * sign;
    const double m = u <= kHalfLn2 ? expm1Series(u) : expOfReduced(u) - 1.0;
    const double t = m / (m + 2.0);
    return {sign * t, t * 0x1p-48};
}

} // namespace detail

float tanhf(float x) { return detail::correctlyRounded(detail::tanhEstimate(x), detail::kTanhHardCases, x); }

} // namespace fennrow::maths
