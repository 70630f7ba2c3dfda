// e^r for |r| <= ln2/2 (plus a hair) in double, and the reduction of a
// double argument to it. Shared by expf, exp2f, pow25f and tanhf.
#pragma once

// External inline functions: before avx2_target_begin.h in an AVX2 file.
#if defined(FENNROW_AVX2_TARGET)
#error "include this header before avx2_target_begin.h"
#endif

#include "maths/bit_cast.h"
#include "maths/constants.h"

#include <cstdint>

namespace fennrow::maths::detail {

// Taylor coefficients 1/n! for n = 2 .. 13. The first term left out,
// r^14/14!, is below 2^-57.7 at |r| = 0.347, where e^r >= 0.7.
inline constexpr double kExpCoefficients[] = {
    1.0 / 2.0,     1.0 / 6.0,      1.0 / 24.0,      1.0 / 120.0,      1.0 / 720.0,       1.0 / 5040.0,
    1.0 / 40320.0, 1.0 / 362880.0, 1.0 / 3628800.0, 1.0 / 39916800.0, 1.0 / 479001600.0, 1.0 / 6227020800.0,
};
inline constexpr int kExpTerms = sizeof(kExpCoefficients) / sizeof(kExpCoefficients[0]);

// (e^r - 1) / r - 1 - ... : the tail r (1/2 + r (1/6 + ...)) of e^r - 1 over r.
inline double expTail(double r) {
    double p = kExpCoefficients[kExpTerms - 1];
    for (int i = kExpTerms - 2; i >= 0; --i) p = p * r + kExpCoefficients[i];
    return p * r;
}

// e^r = 1 + (r + r (r p)): the Horner steps shrink each error by |r| < 0.35,
// and the last two sums round once each; relative error below 2^-52.
inline double expSeries(double r) { return 1.0 + (r + r * expTail(r)); }

// e^r - 1 for |r| <= ln2/2 without the cancellation of e^r - 1: r (1 + r p),
// relative error below 2^-52 likewise.
inline double expm1Series(double r) { return r + r * expTail(r); }

// 2^k for an integer k with a normal double result.
inline double powerOfTwo(int64_t k) { return bitCast<double>(static_cast<uint64_t>(k + 1023) << 52); }

// ln 2 = kLn2Hi40 + kLn2Lo40 + O(2^-95); kLn2Hi40 has 40 significant bits,
// so k kLn2Hi40 is exact for |k| < 2^13. (The double functions split ln 2
// at 42 bits instead: kLn2Hi42, double_tables.h.)
inline constexpr double kLn2Hi40 = 0xb.17217f7d2p-4;
inline constexpr double kLn2Lo40 = -0x3.08654361c4c68p-44;

// The half-width of the estimates of expf, exp2f and pow25f relative to
// their value: each errs by less than 2^-51 relative (see exp_float.cpp),
// and the width adds margin.
inline constexpr double kExpRelativeWidth = 0x1p-49;

// e^x for |x| <= 1000 with x a float or a double whose low bits below 2^-40
// are zero for |x| >= 2^-17 (so that x - k kLn2Hi40 is exact). k kLn2Lo40 and
// the rounding of kLn2Lo40 err by at most 2^-86 together for |k| < 2^10, the
// last subtraction by 2^-53 |r|: e^r then errs by |r| 2^-53 + 2^-86 < 2^-54.5
// relative, and the series by 2^-52. Total below 2^-51.5 relative; scaling
// by 2^k is exact while the result is a normal double.
inline double expOfReduced(double x) {
    const double k = (x * kLog2E + kRoundingShift) - kRoundingShift;
    const double r = (x - k * kLn2Hi40) - k * kLn2Lo40;
    return expSeries(r) * powerOfTwo(static_cast<int64_t>(k));
}

} // namespace fennrow::maths::detail
