// The estimate of sinf over vector lanes, for estimateBlock (lane_block.h):
// sinf's own short reduction and series, lane by
// lane, with sinf's bound. A lane whose argument needs the long reduction,
// or whose rounding the bound leaves open, takes the exact path, the scalar
// sinf, so every lane gives exactly sinf's result.
#pragma once

// A lanes header: after avx2_target_begin.h in an AVX2 file.
#define FENNROW_LANE_TEMPLATES

#include "maths/lane_block.h"
#include "maths/sine_series.h"
#include "maths/trig_reduction.h"

#include <cstdint>

namespace fennrow::maths {
// The reduction width per half turn j: reduceShort's |j| 2^-85.
inline constexpr double kSineWidthPerHalfTurn = 0x1p-85;

// reduceShort and sineSeries with parity 0, and sineOf's width.
template <class Lanes>
FENNROW_ALWAYS_INLINE LaneEstimate<Lanes> sinEstimateLanes(const float* in) {
    using D = typename Lanes::D;
    using U = typename Lanes::U;
    const U signBit = (U{} + 1) << 63;
    const auto magnitude = [signBit](D v) { return (D)((U)v & ~signBit); };
    const D x = Lanes::load(in);
    const U inRange = (U)(magnitude(x) <= detail::kShortReductionLimit);
    const D shifted = x * detail::kOneOverPi + kRoundingShift;
    const D k = shifted - kRoundingShift;
    const D j = k + k;
    const D r = (x - j * detail::kHalfPi1) - j * detail::kHalfPi2;
    const D z = r * r;
    const D sum = r + r * (z * detail::sineTail(z));
    const D s = (D)(((U)sum & ~signBit) | ((U)r & signBit)); // sin r has r's sign
    // An odd k (the low bit of the shifted sum) flips the sign.
    const D y = (D)((U)s ^ ((U)shifted << 63));
    const D width = magnitude(y) * detail::kSineRelativeWidth + magnitude(j) * kSineWidthPerHalfTurn;
    return {y, Lanes::decided(inRange, y - width, y + width)};
}

} // namespace fennrow::maths
