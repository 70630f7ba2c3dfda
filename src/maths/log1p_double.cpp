#include "maths/log1p_double.h"

#include "maths/double_estimates.h"
#include "maths/double_fixed.h"

#include <limits>

namespace fennrow::maths {

namespace {

// Below this the fast path's exponent arithmetic (2^-e as a normal double)
// would not hold; larger inputs take the exact path.
constexpr double kFastAbove = 0x1p1000;

// 2 atanh(t) = log((1 + t) / (1 - t)) = 2 t A(t^2), A(z) = sum z^n / (2n + 1),
// for |t| <= 0.2: A to within 2^2 units (two truncations a term, the terms
// shrink at least 25 times).
Fixed atanhSeries(const Fixed& z) {
    Fixed sum = kFixedOne;
    Fixed power = kFixedOne;
    for (std::uint64_t n = 1;; ++n) {
        power = fixedMul(power, z);
        const Fixed term = fixedDivInt(power, 2 * n + 1);
        if (fixedIsZero(term)) return sum;
        sum = fixedAdd(sum, term);
    }
}

// log1p(x) for 2^-54 <= |x| < 2^-8: with x = X 2^-s, X in [1, 2),
// log1p(x) = 2 t A(t^2), t = x / (2 + x) = (X / (2 + x)) 2^-s, kept scaled by
// 2^s so that its relative error stays that of the fixed-point operations:
// X exact, 2 + x to 2^-192, its reciprocal to 2^-188, the product to
// 2^-192, A to 2^-190: the value 2 X/(2+x) A < 2.1 is within 2^6 units.
double log1pSmall(double x) {
    const std::uint64_t b = bitsOf(x);
    const int s = 1023 - static_cast<int>((b >> 52) & 0x7ff);
    const Fixed bigX = fixedFromDouble(ScalarLanes::abs(fromBits((b & ~(0xfffULL << 52)) | (1023ULL << 52))));
    const Fixed inverse = fixedReciprocal(fixedAdd(fixedFromInt(2), fixedFromDouble(x)));
    const Fixed scaledT = fixedMul(bigX, inverse); // |t| 2^s
    const Fixed t = fixedShiftRight(scaledT, s);
    const Fixed value = fixedShiftLeft(fixedMul(fixedAbs(scaledT), atanhSeries(fixedMul(t, t))), 1);
    const double magnitude = fixedRound(value, -s, std::uint64_t{1} << 8).value;
    return x < 0 ? -magnitude : magnitude;
}

} // namespace

// log1p(x) for |x| >= 2^-8: 1 + x = 2^e m exactly in fixed point with m in
// [0.75, 1.5) (the 1 is dropped below 2^-192 m for x >= 2^62, an error of
// 2^-192 relative), then log m = 2 atanh(t) with t = (m - 1)/(m + 1),
// |t| <= 0.2. Error, in units of 2^-192: e ln2 with |e| <= 1024, 2^10;
// t to 2^-188 (reciprocal) plus 1, 2 t A to 2^4.4: the result is within
// 2^10.1 units, and |result| >= 2^-8.5, so 2^11 units is a relative error
// below 2^-172.
double log1pExact(double x) {
    if (ScalarLanes::abs(x) < 0x1p-8) return log1pSmall(x);
    const std::uint64_t b = bitsOf(x);
    int offset = 0;
    Fixed sum;
    if (ScalarLanes::abs(x) < 0x1p62) {
        sum = fixedAdd(kFixedOne, fixedFromDouble(x));
    } else {
        offset = static_cast<int>((b >> 52) & 0x7ff) - 1023;
        const Fixed mantissa = fixedFromDouble(fromBits((b & ~(0xfffULL << 52)) | (1023ULL << 52)));
        sum = offset < 192 ? fixedAdd(mantissa, fixedShiftRight(kFixedOne, offset)) : mantissa;
    }
    // Bring sum into [0.75, 1.5): its leading bit sets the binary exponent.
    int e = offset;
    const double approx = fixedToDouble(sum);
    int lead = static_cast<int>((bitsOf(approx) >> 52) & 0x7ff) - 1023; // approx in [2^lead, 2^(lead+1))
    if (approx >= 1.5 * fromBits(static_cast<std::uint64_t>(lead + 1023) << 52)) ++lead;
    const Fixed m = lead >= 0 ? fixedShiftRight(sum, lead) : fixedShiftLeft(sum, -lead);
    e += lead;
    const Fixed t = fixedMul(fixedSub(m, kFixedOne), fixedReciprocal(fixedAdd(m, kFixedOne)));
    const Fixed twoTA = fixedShiftLeft(fixedMul(t, atanhSeries(fixedMul(t, t))), 1);
    const Fixed value = fixedAdd(fixedMulInt(kFixedLn2, e), twoTA);
    const double magnitude = fixedRound(fixedAbs(value), 0, std::uint64_t{1} << 11).value;
    return fixedIsNegative(value) ? -magnitude : magnitude;
}

double log1p(double x) {
    const double ax = ScalarLanes::abs(x);
    // For 0 < |x| < 2^-53, log1p(x) lies between x and x - x^2/2, closer to
    // x than half an ulp: x itself, and this keeps the sign of zero.
    if (ax < 0x1p-54) return x;
    if (!(x > -1.0 && x < kFastAbove)) {
        if (x != x) return x + x;
        if (x == -1.0) return -std::numeric_limits<double>::infinity();
        if (x < -1.0) return std::numeric_limits<double>::quiet_NaN();
        if (x == std::numeric_limits<double>::infinity()) return x;
        return log1pExact(x);
    }
    double rh;
    const DD<double> l = log1pDoubleEstimate<ScalarLanes>(x, rh);
    const double err = log1pFastError<ScalarLanes>(l.hi, rh);
    const double low = l.hi + (l.lo - err);
    const double high = l.hi + (l.lo + err);
    if (low != high) return log1pExact(x);
    return low;
}

} // namespace fennrow::maths
