// The loop of the float block functions (sinfBlock, exp2fBlock) over vector
// lanes, for the translation units of each instruction set, whose lane types
// (lanes_sse2.h, lanes_avx2.h) make each instantiation their own. Each lane takes the function's
// estimate and its rounding test; a lane the test leaves undecided takes the
// exact path, the scalar function itself, so every lane gives exactly its
// bits.
#pragma once

// A lanes header: after avx2_target_begin.h in an AVX2 file.
#define FENNROW_LANE_TEMPLATES

#include "maths/simd.h"

#include <cstdint>
#include <cstring>

namespace fennrow::maths {
// What an instruction set supplies to the loop (Lanes): the vector types
// (D: kLanes doubles, U: as many 64-bit integers) and
//   D load(const float*), the floats widened;
//   void store(float*, D), narrowed;
//   unsigned decided(U usable, D low, D high), a bit per lane where `usable`
//   is set and low and high round to the same float: the rounding test.
// FloatLanes below does it all with the compiler's vector extensions.

// A function's estimate of kLanes values, with its rounding test done.
template <class Lanes>
struct LaneEstimate {
    typename Lanes::D y;
    unsigned decided;
};

// `exact` of `count` floats, `out` possibly `in`, through `estimate`. Four
// groups at a time, every estimate before any test, so that their
// polynomials run side by side.
template <class Lanes, LaneEstimate<Lanes> (*estimate)(const float*), float (*exact)(float)>
void estimateBlock(const float* in, float* out, int count) {
    constexpr int kLanes = Lanes::kLanes;
    constexpr int kGroups = 4;
    constexpr unsigned kAllDecided = (1u << kLanes) - 1;
    int i = 0;
    for (; i + kGroups * kLanes <= count; i += kGroups * kLanes) {
        LaneEstimate<Lanes> group[kGroups];
        unsigned all = kAllDecided;
        for (int g = 0; g < kGroups; ++g) {
            group[g] = estimate(in + i + g * kLanes);
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
                if (!((group[g].decided >> m) & 1)) out[i + g * kLanes + m] = exact(x[g * kLanes + m]);
        }
    }
    for (; i + kLanes <= count; i += kLanes) {
        const LaneEstimate<Lanes> one = estimate(in + i);
        float x[kLanes];
        std::memcpy(x, in + i, sizeof x);
        Lanes::store(out + i, one.y);
        for (int m = 0; m < kLanes; ++m)
            if (!((one.decided >> m) & 1)) out[i + m] = exact(x[m]);
    }
    for (; i < count; ++i) out[i] = exact(in[i]);
}

// The lanes through the compiler's vector extensions: Vd (N doubles), Vu (N
// 64-bit integers), Vf (N floats).
template <class Vd, class Vu, class Vf, int N>
struct FloatLanes {
    using D = Vd;
    using U = Vu;
    static constexpr int kLanes = N;
    static FENNROW_ALWAYS_INLINE D load(const float* in) {
        Vf x;
        std::memcpy(&x, in, sizeof x);
        return __builtin_convertvector(x, D);
    }
    static FENNROW_ALWAYS_INLINE void store(float* out, D y) {
        const Vf narrow = __builtin_convertvector(y, Vf);
        std::memcpy(out, &narrow, sizeof narrow);
    }
    static FENNROW_ALWAYS_INLINE unsigned decided(U usable, D low, D high) {
        const Vf lowFloat = __builtin_convertvector(low, Vf);
        const Vf highFloat = __builtin_convertvector(high, Vf);
        unsigned bits = 0;
        for (int m = 0; m < N; ++m) bits |= (usable[m] != 0 && lowFloat[m] == highFloat[m] ? 1u : 0u) << m;
        return bits;
    }
};

} // namespace fennrow::maths
