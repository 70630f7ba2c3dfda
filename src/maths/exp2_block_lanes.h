// exp2f over vector lanes, for the translation units of each instruction set
// (internal linkage, like softplus_batch_lanes.h). Each lane estimates 2^x
// with a proven bound on its error, no fused operations; a lane whose
// rounding the bound leaves open, or whose argument lies outside the lanes'
// domain, is handed to the scalar exp2f. A decided lane is the correctly
// rounded result, which is exp2f's: every lane gives exactly exp2f's bits.
#pragma once

#include "maths/double_tables.h"
#include "maths/exp_kernel.h"
#include "maths/float_functions.h"

#include <cstdint>
#include <cstring>

namespace fennrow::maths {
namespace {

// Within it 2^k and the result are normal in float and in double.
inline constexpr double kExp2LaneLimit = 125.0;
// ln 2 / 256: kLn2 scaled by a power of two, so exactly as close.
inline constexpr double kLn2Over256 = kLn2 / 256.0;
// Added to the table index N so that it is positive throughout the domain
// and its bits above the lowest eight are k + 1023.
inline constexpr std::uint64_t kIndexBias = 1023 * 256;
inline constexpr std::uint64_t kRoundShiftBits = 0x4338000000000000ULL; // the bits of kRoundShift

// What an instruction set supplies: the vector types (D: kLanes doubles,
// U: as many 64-bit integers) and
//   D load(const float*), the floats widened;
//   void store(float*, D), narrowed;
//   D table(U j), kExp2Table[j][0] lane by lane;
//   unsigned decided(U inRange, D lo, D hi), a bit per lane in the lanes'
//   domain where lo and hi round to the same float.
// GenericLanes below does all of it with the compiler's vector extensions.

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
struct Exp2Estimate {
    typename Lanes::D y;
    unsigned decided;
};

template <class Lanes>
inline __attribute__((always_inline)) Exp2Estimate<Lanes> exp2Estimate(const float* in) {
    using D = typename Lanes::D;
    using U = typename Lanes::U;
    const D x = Lanes::load(in);
    const U inRange = (U)((x >= -kExp2LaneLimit) & (x <= kExp2LaneLimit));
    const D t = x * 256.0;
    const D shifted = t + detail::kRoundShift;
    const D r = (t - (shifted - detail::kRoundShift)) * kLn2Over256;
    // N + kIndexBias: j in the low eight bits, k + 1023 above.
    const U index = (U)shifted - kRoundShiftBits + kIndexBias;
    const D table = Lanes::table(index & 255);
    constexpr double c2 = 1.0 / 2, c3 = 1.0 / 6, c4 = 1.0 / 24, c5 = 1.0 / 120;
    const D p = r + r * (r * (c2 + r * (c3 + r * (c4 + r * c5))));
    const D scale = (D)((index >> 8) << 52);
    const D y = (table + table * p) * scale;
    const D width = y * detail::kExpRelativeWidth;
    return {y, Lanes::decided(inRange, y - width, y + width)};
}

// exp2f of `count` floats, `out` possibly `in`. Four groups at a time, every
// estimate before any test, so that their polynomials run side by side.
template <class Lanes>
void exp2Block(const float* in, float* out, int count) {
    constexpr int kLanes = Lanes::kLanes;
    constexpr int kGroups = 4;
    constexpr unsigned kAllDecided = (1u << kLanes) - 1;
    int i = 0;
    for (; i + kGroups * kLanes <= count; i += kGroups * kLanes) {
        Exp2Estimate<Lanes> group[kGroups];
        unsigned all = kAllDecided;
        for (int g = 0; g < kGroups; ++g) {
            group[g] = exp2Estimate<Lanes>(in + i + g * kLanes);
            all &= group[g].decided;
        }
        if (all == kAllDecided) {
            for (int g = 0; g < kGroups; ++g) Lanes::store(out + i + g * kLanes, group[g].y);
            continue;
        }
        float x[kGroups * kLanes]; // the inputs, before the stores may overwrite them
        std::memcpy(x, in + i, sizeof x);
        for (int g = 0; g < kGroups; ++g) {
            Lanes::store(out + i + g * kLanes, group[g].y);
            for (int m = 0; m < kLanes; ++m)
                if (!((group[g].decided >> m) & 1)) out[i + g * kLanes + m] = exp2f(x[g * kLanes + m]);
        }
    }
    for (; i + kLanes <= count; i += kLanes) {
        const Exp2Estimate<Lanes> one = exp2Estimate<Lanes>(in + i);
        float x[kLanes];
        std::memcpy(x, in + i, sizeof x);
        Lanes::store(out + i, one.y);
        for (int m = 0; m < kLanes; ++m)
            if (!((one.decided >> m) & 1)) out[i + m] = exp2f(x[m]);
    }
    for (; i < count; ++i) out[i] = exp2f(in[i]);
}

template <class Vd, class Vu, class Vf, int N>
struct GenericLanes {
    using D = Vd;
    using U = Vu;
    static constexpr int kLanes = N;
    static inline __attribute__((always_inline)) D load(const float* in) {
        Vf x;
        std::memcpy(&x, in, sizeof x);
        return __builtin_convertvector(x, D);
    }
    static inline __attribute__((always_inline)) void store(float* out, D y) {
        const Vf narrow = __builtin_convertvector(y, Vf);
        std::memcpy(out, &narrow, sizeof narrow);
    }
    static inline __attribute__((always_inline)) D table(U j) {
        D t;
        for (int m = 0; m < N; ++m) t[m] = kExp2Table[j[m]][0];
        return t;
    }
    static inline __attribute__((always_inline)) unsigned decided(U inRange, D lo, D hi) {
        const Vf low = __builtin_convertvector(lo, Vf);
        const Vf high = __builtin_convertvector(hi, Vf);
        unsigned bits = 0;
        for (int m = 0; m < N; ++m) bits |= (inRange[m] != 0 && low[m] == high[m] ? 1u : 0u) << m;
        return bits;
    }
};

} // namespace
} // namespace fennrow::maths
