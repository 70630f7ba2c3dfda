// exp2f over vector lanes, for the translation units of each instruction set
// (internal linkage, like softplus_batch_lanes.h). Each lane runs the very
// operations of exp2f's estimate, none fused, so its estimate and width are
// exp2f's bits; a lane whose rounding the width leaves open, or whose
// argument lies outside the lanes' domain, is handed to the scalar exp2f.
// Every lane therefore gives exactly exp2f's result.
#pragma once

#include "maths/exp_kernel.h"
#include "maths/float_functions.h"

#include <cstdint>
#include <cstring>

namespace fennrow::maths {
namespace {

// Within it 2^k and the result are normal in float and in double, and the
// scalar estimate takes its general path (or the exact power, which the
// general path gives exactly too: e^0 is 1).
inline constexpr double kExp2LaneLimit = 125.0;

// What an instruction set supplies: the vector types (D: kLanes doubles,
// U: as many 64-bit integers) and
//   D load(const float*), the floats widened;
//   void store(float*, D), narrowed;
//   unsigned decided(U inRange, D lo, D hi), a bit per lane in the lanes'
//   domain where lo and hi round to the same float.
// GenericLanes below does all three with the compiler's vector extensions.

// 2^x of a vector of floats: exp2f's estimate, lane by lane.
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
    const D shifted = x + detail::kRoundShift;
    const D k = shifted - detail::kRoundShift;
    const D r = (x - k) * detail::kLn2;
    D p = D{} + detail::kExpCoefficients[detail::kExpTerms - 1];
    for (int i = detail::kExpTerms - 2; i >= 0; --i) p = p * r + detail::kExpCoefficients[i];
    const D e = 1.0 + (r + r * (p * r));
    // The low bits of the shifted sum hold k: (k + 1023) << 52 is 2^k.
    const D scale = (D)(((U)shifted + 1023) << 52);
    const D y = e * scale;
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
