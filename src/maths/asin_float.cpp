// asinf: the arcsine series up to |x| = 1/2, and beyond it
// asin x = pi/2 - 2 asin sqrt((1 - x) / 2).
#include "maths/constants.h"
#include "maths/float_estimates.h"
#include "maths/float_functions.h"

#include <array>
#include <limits>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace fennrow::maths {

namespace detail {

namespace {

constexpr int kAsinTerms = 24;

// asin s = s + s^3 R(s^2), R(z) = sum of c_n z^(n-1), n = 1 .. 24, with
// c_n = (2n)! / (4^n n!^2 (2n + 1)). The terms left out, from n = 25 on,
// add below 2^-56 relative for s^2 <= 1/4.
constexpr std::array<double, kAsinTerms> asinCoefficients() {
    std::array<double, kAsinTerms> c{};
    double a = 1.0; // (2n)! / (4^n n!^2)
    for (int n = 1; n <= kAsinTerms; ++n) {
        a = a * (2.0 * n - 1.0) / (2.0 * n);
        c[n - 1] = a / (2.0 * n + 1.0);
    }
    return c;
}
constexpr std::array<double, kAsinTerms> kAsinCoefficients = asinCoefficients();

// s + s^3 R(z), z = s^2 (given exactly where the caller has it).
double asinSeries(double s, double z) {
    double p = kAsinCoefficients[kAsinTerms - 1];
    for (int i = kAsinTerms - 2; i >= 0; --i) p = p * z + kAsinCoefficients[i];
    return s + s * (z * p);
}

double exactSqrt(double v) {
#if defined(__SSE2__) || defined(_M_X64)
    return _mm_cvtsd_f64(_mm_sqrt_sd(_mm_setzero_pd(), _mm_set_sd(v))); // correctly rounded
#else
    return __builtin_sqrt(v);
#endif
}

} // namespace

// Up to 1/2 the series errs by below 2^-52 relative (each Horner step
// shrinks the error so far by z <= 1/4). Beyond, z = (1 - |x|) / 2 is exact,
// its square root rounds once, the series of it errs by 2^-52 of
// w <= 0.524, and pi/2 - 2w >= 0.523 with pi/2 off by 2^-54 and one more
// rounding: below 2^-50.3 relative. The width is 2^-48.
Estimate asinEstimate(float x) {
    const double xd = x;
    const double a = xd < 0.0 ? -xd : xd;
    if (!(a <= 1.0)) return {std::numeric_limits<double>::quiet_NaN(), 0.0};
    if (x == 0.0f) return {xd, 0.0};
    double y;
    if (a <= 0.5) {
        y = asinSeries(a, a * a);
    } else {
        const double z = (1.0 - a) * 0.5;
        y = kHalfPi - 2.0 * asinSeries(exactSqrt(z), z);
    }
    return {xd < 0.0 ? -y : y, y * 0x1p-48};
}

} // namespace detail

float asinf(float x) { return detail::correctlyRounded(detail::asinEstimate(x), detail::kAsinHardCases, x); }

} // namespace fennrow::maths
