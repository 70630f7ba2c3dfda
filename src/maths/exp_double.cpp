#include "maths/exp_double.h"

#include "maths/double_estimates.h"
#include "maths/double_fixed.h"

#include <limits>

namespace fennrow::maths {

namespace {

// exp(x) rounds to +inf above this (ln(2^1024) = 709.78...), and to +0
// below the other (exp(x) < 2^-1075 there, as -1075 ln 2 = -745.133...).
constexpr double kOverflowAbove = 709.8;
constexpr double kZeroBelow = -745.2;
// Between -745.2 and this the result is close to or below 2^-1022; the fast
// path leaves those to the exact one, which rounds subnormals once.
constexpr double kFastBelow = -707.0;

} // namespace

// exp(x) = 2^K e^r with r = x - K ln2 (|r| < 0.35), e^r = (e^(r/256))^256, and
// the Taylor series of e^(r/256) summed until its terms vanish.
// Error, in units of 2^-192: K ln2 with |K| <= 1075 and ln 2 rounded, 2^9.1;
// the shift by 8, 1 (times 256 after the squarings: 2^8); each term of the
// series truncates twice, < 40 in all (2^5.4, times 256: 2^13.4); each
// squaring doubles the relative error and adds under 1.5 units (2^8.6 after
// eight). The result P < 1.42 is within 2^14.9 units; 2^16 is allowed.
double expExact(double x) {
    const double kd = (x * kLog2E + kRoundingShift) - kRoundingShift;
    const int k = static_cast<int>(kd);
    const Fixed r = fixedSub(fixedFromDouble(x), fixedMulInt(kFixedLn2, k));
    const Fixed h = fixedShiftRight(r, 8);
    Fixed sum = fixedAdd(kFixedOne, h);
    Fixed term = h;
    for (std::uint64_t n = 2; !fixedIsZero(term); ++n) {
        term = fixedDivInt(fixedMul(term, h), n);
        sum = fixedAdd(sum, term);
    }
    for (int i = 0; i < 8; ++i) sum = fixedMul(sum, sum);
    return fixedRound(sum, k, std::uint64_t{1} << 16).value;
}

double exp(double x) {
    const double ax = ScalarLanes::abs(x);
    if (ax <= 0x1p-54) return 1.0; // e^x within 2^-54 of 1 rounds to 1
    if (!(x >= kFastBelow && x <= kOverflowAbove)) {
        if (x != x) return x + x; // NaN
        if (x > kOverflowAbove) return std::numeric_limits<double>::infinity();
        if (x < kZeroBelow) return 0.0;
        return expExact(x);
    }
    std::uint64_t k;
    const DD<double> e = expDoubleEstimate<ScalarLanes>(x, k);
    const double low = e.hi + (e.lo - kExpFastError);
    const double high = e.hi + (e.lo + kExpFastError);
    if (low != high) return expExact(x);
    // K = floor(k / 256) from the low bits (see expScaleBits); up to 1024.
    const int bigK = static_cast<int>(((k & 0x000fffffffffffffULL) >> 8) - 0x0000080000000000ULL);
    return scaleExactly(low, bigK);
}

} // namespace fennrow::maths
