// The estimate of exp2f over vector lanes, for estimateBlock (lane_block.h).
// Each lane estimates 2^x with a proven bound on
// its error, no fused operations; a lane whose rounding the bound leaves
// open, or whose argument lies outside the lanes' domain, takes the exact
// path, the scalar exp2f. A decided lane is the correctly rounded result,
// which is exp2f's: every lane gives exactly exp2f's bits.
#pragma once

// A lanes header: after avx2_target_begin.h in an AVX2 file.
#define FENNROW_LANE_TEMPLATES

#include "maths/bit_cast.h"
#include "maths/constants.h"
#include "maths/double_tables.h"
#include "maths/exp_series.h"
#include "maths/lane_block.h"

#include <cstdint>

namespace fennrow::maths {
// Within it 2^k and the result are normal in float and in double.
inline constexpr double kExp2LaneLimit = 125.0;
// ln 2 / 256: kLn2 scaled by a power of two, so exactly as close.
inline constexpr double kLn2Over256 = kLn2 / 256.0;
// Added to the table index N so that it is positive throughout the domain
// and its bits above the lowest eight are k + 1023.
inline constexpr std::uint64_t kIndexBias = 1023 * 256;
inline constexpr std::uint64_t kRoundingShiftBits = bitCast<std::uint64_t>(kRoundingShift);

// The lanes are those of estimateBlock with one more operation,
//   D table(U j), kExp2Table[j][0] lane by lane,
// which Exp2Lanes below does with the compiler's vector extensions.

// 2^x of a vector of floats, with the width of exp2f's estimate, lane by
// lane. Not exp2f's own estimate: a table of 256 steps leaves a polynomial a
// third as long. 2^x = 2^k 2^(j/256) e^r with 256 x = 256 k + j + 256 f,
// 0 <= j < 256, |f| <= 1/512, r = f ln 2:
// - t = 256 x is exact, and so is its distance to the nearest integer N
//   (both are multiples of the float's last bit) and f;
// - r = RN(f kLn2) errs by below 2^-52 |r| < 2^-61.5, |r| < 0.00136;
// - p = e^r - 1 to the r^5 / 120 term: the truncation is below 2^-66, the
//   roundings inside r (r q) below 2^-70, the last sum's below 2^-62.5;
// - T = RN(2^(j/256)) errs by 2^-53 relative, T p by 2^-61.5 absolute (T < 2)
//   and T + T p by 2^-53 relative.
// In all below 2^-51.9 relative, inside exp2f's width (kExpRelativeWidth);
// scaling by 2^k is exact in the domain. Where lo and hi round alike, that
// float is the correctly rounded 2^x, exp2f's result.
template <class Lanes>
FENNROW_ALWAYS_INLINE LaneEstimate<Lanes> exp2Estimate(const float* in) {
    using D = typename Lanes::D;
    using U = typename Lanes::U;
    const D x = Lanes::load(in);
    const U inRange = (U)((x >= -kExp2LaneLimit) & (x <= kExp2LaneLimit));
    const D t = x * 256.0;
    const D shifted = t + kRoundingShift;
    const D r = (t - (shifted - kRoundingShift)) * kLn2Over256;
    // N + kIndexBias: j in the low eight bits, k + 1023 above.
    const U index = (U)shifted - kRoundingShiftBits + kIndexBias;
    const D table = Lanes::table(index & 255);
    constexpr double c2 = 1.0 / 2, c3 = 1.0 / 6, c4 = 1.0 / 24, c5 = 1.0 / 120;
    const D p = r + r * (r * (c2 + r * (c3 + r * (c4 + r * c5))));
    const D scale = (D)((index >> 8) << 52);
    const D y = (table + table * p) * scale;
    const D width = y * detail::kExpRelativeWidth;
    return {y, Lanes::decided(inRange, y - width, y + width)};
}

template <class Vd, class Vu, class Vf, int N>
struct Exp2Lanes : FloatLanes<Vd, Vu, Vf, N> {
    static FENNROW_ALWAYS_INLINE Vd table(Vu j) {
        Vd t;
        for (int m = 0; m < N; ++m) t[m] = kExp2Table[j[m]][0];
        return t;
    }
};

} // namespace fennrow::maths
