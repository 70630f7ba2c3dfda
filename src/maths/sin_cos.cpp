// sinf, cosf and tanf: the reduction of trig_reduction.h, the odd series of
// sine_series.h, and for tan the quotient of the two.
#include "maths/bit_cast.h"
#include "maths/float_estimates.h"
#include "maths/float_functions.h"
#include "maths/sine_series.h"
#include "maths/trig_reduction.h"

namespace fennrow::maths {

namespace detail {

namespace {

bool isFinite(float x) { return (bitCast<uint32_t>(x) & 0x7f800000u) != 0x7f800000u; }

ReducedAngle reduce(float x, int parity) {
    const double xd = x;
    if (xd <= kShortReductionLimit && xd >= -kShortReductionLimit) return reduceShort(xd, parity);
    return reduceLong(x, parity);
}

// sin x (parity 0) or cos x (parity 1) and its error bound.
Estimate sineOf(const ReducedAngle& a) {
    const double s = sineSeries(a.r);
    const double y = a.negate ? -s : s;
    return {y, (y < 0 ? -y : y) * kSineRelativeWidth + a.absError};
}

} // namespace

Estimate sinEstimate(float x) {
    if (!isFinite(x)) return {static_cast<double>(x - x), 0.0};
    return sineOf(reduce(x, 0));
}

Estimate cosEstimate(float x) {
    if (!isFinite(x)) return {static_cast<double>(x - x), 0.0};
    return sineOf(reduce(x, 1));
}

// tan x = sin x / cos x. Each has its bound; the quotient's relative error
// is at most the sum of theirs plus the division's 2^-53, taken as 2^-52.
// A zero argument (the only float with sin x = 0) returns itself.
Estimate tanEstimate(float x) {
    if (!isFinite(x)) return {static_cast<double>(x - x), 0.0};
    if (x == 0.0f) return {static_cast<double>(x), 0.0};
    const Estimate s = sineOf(reduce(x, 0));
    const Estimate c = sineOf(reduce(x, 1));
    const double t = s.y / c.y;
    const double relative =
        s.halfWidth / (s.y < 0 ? -s.y : s.y) + c.halfWidth / (c.y < 0 ? -c.y : c.y) + 0x1p-52;
    return {t, (t < 0 ? -t : t) * relative};
}

} // namespace detail

float sinf(float x) { return detail::correctlyRounded(detail::sinEstimate(x), detail::kSinHardCases, x); }
float cosf(float x) { return detail::correctlyRounded(detail::cosEstimate(x), detail::kCosHardCases, x); }
float tanf(float x) { return detail::correctlyRounded(detail::tanEstimate(x), detail::kTanHardCases, x); }

} // namespace fennrow::maths
