// sinf of two values at once, for oscillators whose next argument waits for
// this result: what counts is the time from argument to result, not the
// throughput. So the estimate here is a shorter one than sinf's, two lanes
// in one SSE2 register: reduction by pi/2 to |r| <= pi/4, where polynomials
// of degree 14 in r suffice, the quadrant choosing between the coefficients
// of sin and of cos before the polynomial starts. It is inlined into the
// loop that waits for it. Where its wider bound leaves the rounding open, or
// the argument is zero or beyond the short reduction, the exact path (sinf
// itself) answers, so the results are sinf's bits.
//
// Two forms share one schedule, sinePairEstimate<Ops>: PlainPairOps here,
// FusedPairOps (sine_pair_fused.h) for the AVX2 code. What is not inlined
// into its caller is a template of Ops, so that the AVX2 file's copies are
// its own: include this after the target is set there, and
// trig_reduction.h before it.
#pragma once

// A lanes header: after avx2_target_begin.h in an AVX2 file.
#define FENNROW_LANE_TEMPLATES

#include "maths/float_functions.h"
#include "maths/lane_masks.h"
#include "maths/simd.h"
#include "maths/trig_reduction.h"

#if FENNROW_SIMD
#include <immintrin.h>
#endif

namespace fennrow::maths {
// Taylor coefficients of sin r = r + r z S(z) and cos r = 1 + z C(z), z = r^2.
inline constexpr double kPairSin[] = {
    -1.0 / 6.0,        1.0 / 120.0,        -1.0 / 5040.0,          1.0 / 362880.0,
    -1.0 / 39916800.0, 1.0 / 6227020800.0, -1.0 / 1307674368000.0,
};
inline constexpr double kPairCos[] = {
    -1.0 / 2.0,       1.0 / 24.0,        -1.0 / 720.0,         1.0 / 40320.0,
    -1.0 / 3628800.0, 1.0 / 479001600.0, -1.0 / 87178291200.0,
};

// The error bound, relative to the result, and per quadrant turn |k|.
// - Reduction (trig_reduction.h, with j = k): |r - exact| <= |k| 2^-85 +
//   2^-52 |r|. Both sin and cos have slope at most 1, and for |r| <= pi/4
//   (plus 2^-30 from rounding x 2/pi) |r| / |sin r| and |r| / |cos r| are at
//   most 1.111: 2^-51.8 relative.
// - Truncation: the series alternate with falling terms for |r| < 1, so the
//   first term left out bounds it: r^17/17! (sin) and r^16/16! (cos), at
//   most 2^-53.8 and 2^-49.3 relative at pi/4, where cos r >= 0.707.
// - Evaluation: the polynomial terms are at most 0.081 |r| (sin) and 0.31
//   (cos) and each is rounded by a few units of 2^-53 of itself; the last
//   addition rounds once: below 2^-51.4 relative with cos r >= 0.707.
// The sum is below 2^-48.5; 2^-47 also covers the rounding of y -+ width.
inline constexpr double kPairSineRelativeWidth = 0x1p-47;
inline constexpr double kPairSineWidthPerTurn = 0x1p-84;
// The fused form reduces with one constant, kHalfPi (pi/2 rounded, off by
// below 2^-53.8), in one fused step: |r - exact| <= |k| 2^-53.8 + 2^-53 |r|.
// The second term is within the bound above; the first, through a slope of
// at most 1, adds |k| 2^-53.8 to the error of the result, which the width
// per turn covers. It is wide enough to leave an argument near a multiple
// of pi, where the result is small, to sinf more often; it saves a step
// from argument to result.
inline constexpr double kFusedSineWidthPerTurn = 0x1p-53;

#if FENNROW_SIMD

// The estimate of two lanes with its rounding test done.
struct SinePairEstimate {
    __m128 result; // in the low two floats
    int decided;   // a bit per lane the rounding test decided
};

// Lanes the estimate may answer: not zero (sin(+-0) keeps the zero's sign,
// which the polynomial loses), within the short reduction, not NaN.
FENNROW_ALWAYS_INLINE __m128d sinePairUsable(__m128d x) {
    const __m128d magnitude = _mm_andnot_pd(_mm_set1_pd(-0.0), x);
    return _mm_and_pd(_mm_cmple_pd(magnitude, _mm_set1_pd(detail::kShortReductionLimit)),
                      _mm_cmpneq_pd(x, _mm_setzero_pd()));
}

// The low bits of the shifted sum are k mod 4, the quadrant: an odd one
// takes cos r (a mask of whole lanes), and bit 1 negates (a sign bit).
struct Quadrant {
    __m128d odd;
    __m128d negate;
};

FENNROW_ALWAYS_INLINE Quadrant sinePairQuadrant(__m128d shifted) {
    const __m128i bits = _mm_castpd_si128(shifted);
    const __m128i lowBit = _mm_slli_epi64(bits, 63);
    return {_mm_castsi128_pd(_mm_srai_epi32(_mm_shuffle_epi32(lowBit, _MM_SHUFFLE(3, 3, 1, 1)), 31)),
            _mm_castsi128_pd(_mm_slli_epi64(_mm_srli_epi64(bits, 1), 63))};
}

// The rounding test of y with its bound.
FENNROW_ALWAYS_INLINE SinePairEstimate sinePairRoundingTest(__m128d y, __m128d k, __m128d usable,
                                                            double widthPerTurn) {
    const __m128d signBit = _mm_set1_pd(-0.0);
    const __m128d width =
        _mm_add_pd(_mm_mul_pd(_mm_andnot_pd(signBit, y), _mm_set1_pd(kPairSineRelativeWidth)),
                   _mm_mul_pd(_mm_andnot_pd(signBit, k), _mm_set1_pd(widthPerTurn)));
    const __m128 below = _mm_cvtpd_ps(_mm_sub_pd(y, width));
    const __m128 above = _mm_cvtpd_ps(_mm_add_pd(y, width));
    const int same = _mm_movemask_ps(_mm_cmpeq_ps(below, above)) & kTwoLanesSet;
    return {_mm_cvtpd_ps(y), same & _mm_movemask_pd(usable)};
}

// What the instruction set supplies to the estimate (Ops):
//   mulAdd(a, b, c), a b + c;
//   reduce(x, k), x - k pi/2;
//   pick(mask, ifSet, ifClear), lane by lane;
//   kWidthPerTurn, the reduction's error bound per quadrant turn.
// The plain SSE2 operations: each multiply-add rounded twice, the
// two-constant reduction.
struct PlainPairOps {
    static constexpr double kWidthPerTurn = kPairSineWidthPerTurn;
    static FENNROW_ALWAYS_INLINE __m128d mulAdd(__m128d a, __m128d b, __m128d c) {
        return _mm_add_pd(_mm_mul_pd(a, b), c);
    }
    static FENNROW_ALWAYS_INLINE __m128d reduce(__m128d x, __m128d k) {
        return _mm_sub_pd(_mm_sub_pd(x, _mm_mul_pd(k, _mm_set1_pd(detail::kHalfPi1))),
                          _mm_mul_pd(k, _mm_set1_pd(detail::kHalfPi2)));
    }
    static FENNROW_ALWAYS_INLINE __m128d pick(__m128d mask, __m128d ifSet, __m128d ifClear) {
        return _mm_or_pd(_mm_and_pd(mask, ifSet), _mm_andnot_pd(mask, ifClear));
    }
};

template <class Ops>
FENNROW_ALWAYS_INLINE SinePairEstimate sinePairEstimate(__m128d x) {
    const __m128d shifted =
        Ops::mulAdd(x, _mm_set1_pd(2.0 * detail::kOneOverPi), _mm_set1_pd(kRoundingShift));
    const __m128d k = _mm_sub_pd(shifted, _mm_set1_pd(kRoundingShift));
    const __m128d r = Ops::reduce(x, k);
    const Quadrant quadrant = sinePairQuadrant(shifted);
    const auto coefficient = [&quadrant](int i) {
        return Ops::pick(quadrant.odd, _mm_set1_pd(kPairCos[i]), _mm_set1_pd(kPairSin[i]));
    };
    const __m128d z = _mm_mul_pd(r, r);
    const __m128d z2 = _mm_mul_pd(z, z);
    const __m128d z4 = _mm_mul_pd(z2, z2);
    const auto pair = [&coefficient, z](int i) { return Ops::mulAdd(coefficient(i + 1), z, coefficient(i)); };
    const __m128d low = Ops::mulAdd(pair(2), z2, pair(0));
    const __m128d high = Ops::mulAdd(coefficient(6), z2, pair(4));
    const __m128d q = Ops::mulAdd(high, z4, low);
    // sin: r + (r z) S(z); cos: 1 + z C(z); the quadrant's sign on both parts.
    const __m128d lead = _mm_xor_pd(Ops::pick(quadrant.odd, _mm_set1_pd(1.0), r), quadrant.negate);
    const __m128d scale = _mm_xor_pd(Ops::pick(quadrant.odd, z, _mm_mul_pd(r, z)), quadrant.negate);
    return sinePairRoundingTest(Ops::mulAdd(scale, q, lead), k, sinePairUsable(x), Ops::kWidthPerTurn);
}

// The exact path for the lanes the rounding test left undecided: sinf of
// their arguments. Out of line, so that the loops waiting on the estimate
// stay small.
template <class Ops>
__attribute__((noinline)) __m128 sinfUndecidedLanes(__m128 estimate, __m128 argument, int decided) {
    alignas(16) float result[4];
    alignas(16) float x[4];
    _mm_store_ps(result, estimate);
    _mm_store_ps(x, argument);
    for (int lane = 0; lane < 2; ++lane)
        if (!(decided & (1 << lane))) result[lane] = sinf(x[lane]);
    return _mm_load_ps(result);
}

// sinf of the low two lanes of `argument`, through Ops' estimate.
template <class Ops>
FENNROW_ALWAYS_INLINE __m128 sinfPairLanes(__m128 argument) {
    const SinePairEstimate estimate = sinePairEstimate<Ops>(_mm_cvtps_pd(argument));
    if (estimate.decided != kTwoLanesSet) [[unlikely]]
        return sinfUndecidedLanes<Ops>(estimate.result, argument, estimate.decided);
    return estimate.result;
}

FENNROW_ALWAYS_INLINE float secondLane(__m128 v) { return _mm_cvtss_f32(_mm_shuffle_ps(v, v, 1)); }

// sinf of two independent values at once.
template <class Ops = PlainPairOps>
FENNROW_ALWAYS_INLINE void sinfPair(float a, float b, float& sinA, float& sinB) {
    const __m128 y = sinfPairLanes<Ops>(_mm_setr_ps(a, b, 0.0f, 0.0f));
    sinA = _mm_cvtss_f32(y);
    sinB = secondLane(y);
}

#else

inline void sinfPair(float a, float b, float& sinA, float& sinB) {
    sinA = sinf(a);
    sinB = sinf(b);
}

#endif

} // namespace fennrow::maths
