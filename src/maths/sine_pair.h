// sinf of two values at once, for oscillators whose next argument waits for
// this result: what counts is the time from argument to result, not the
// throughput. So the estimate here is a shorter one than sinf's, two lanes
// in one SSE2 register: reduction by pi/2 to |r| <= pi/4, where polynomials
// of degree 14 in r suffice, the quadrant choosing between the coefficients
// of sin and of cos before the polynomial starts. It is inlined into the
// loop that waits for it. Where its wider bound leaves the rounding open, or
// the argument is zero or beyond the short reduction, sinf answers, so the
// results are sinf's bits.
#pragma once

#include "maths/float_functions.h"
#include "maths/lane_masks.h"
#include "maths/trig_reduction.h"

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(FENNROW_NO_SIMD)
#include <immintrin.h>
#define FENNROW_QUICK_SINE 1
#else
#define FENNROW_QUICK_SINE 0
#endif

#define FENNROW_QUICK_SINE_INLINE inline __attribute__((always_inline))

namespace fennrow::maths {

namespace detail {

// Taylor coefficients of sin r = r + r z S(z) and cos r = 1 + z C(z), z = r^2.
inline constexpr double kQuickSin[] = {
    -1.0 / 6.0,        1.0 / 120.0,        -1.0 / 5040.0,          1.0 / 362880.0,
    -1.0 / 39916800.0, 1.0 / 6227020800.0, -1.0 / 1307674368000.0,
};
inline constexpr double kQuickCos[] = {
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
inline constexpr double kQuickSineRelativeWidth = 0x1p-47;
inline constexpr double kQuickSineWidthPerTurn = 0x1p-84;
// The fused form reduces with one constant, kHalfPi (pi/2 rounded, off by
// below 2^-53.8), in one fused step: |r - exact| <= |k| 2^-53.8 + 2^-53 |r|.
// The second term is within the bound above; the first, through a slope of
// at most 1, adds |k| 2^-53.8 to the error of the result, which the width
// per turn covers. It is wide enough to leave an argument near a multiple
// of pi, where the result is small, to sinf more often; it saves a step
// from argument to result.
inline constexpr double kFusedSineWidthPerTurn = 0x1p-53;

#if FENNROW_QUICK_SINE

struct QuickSinePair {
    __m128 result; // in the low two floats
    int decided;   // a bit per lane whose rounding is settled
};

// Lanes the short estimate may answer: not zero (sin(+-0) keeps the zero's
// sign, which the polynomial loses), within the short reduction, not NaN.
FENNROW_QUICK_SINE_INLINE __m128d quickSineUsable(__m128d x) {
    const __m128d magnitude = _mm_andnot_pd(_mm_set1_pd(-0.0), x);
    return _mm_and_pd(_mm_cmple_pd(magnitude, _mm_set1_pd(kShortReductionLimit)),
                      _mm_cmpneq_pd(x, _mm_setzero_pd()));
}

// The low bits of the shifted sum are k mod 4, the quadrant: an odd one
// takes cos r (a mask of whole lanes), and bit 1 negates (a sign bit).
struct Quadrant {
    __m128d odd;
    __m128d negate;
};

FENNROW_QUICK_SINE_INLINE Quadrant quickSineQuadrant(__m128d shifted) {
    const __m128i bits = _mm_castpd_si128(shifted);
    const __m128i lowBit = _mm_slli_epi64(bits, 63);
    return {_mm_castsi128_pd(_mm_srai_epi32(_mm_shuffle_epi32(lowBit, _MM_SHUFFLE(3, 3, 1, 1)), 31)),
            _mm_castsi128_pd(_mm_slli_epi64(_mm_srli_epi64(bits, 1), 63))};
}

// The rounding test of y with its bound.
FENNROW_QUICK_SINE_INLINE QuickSinePair quickSineSettle(__m128d y, __m128d k, __m128d usable,
                                                        double widthPerTurn = kQuickSineWidthPerTurn) {
    const __m128d signBit = _mm_set1_pd(-0.0);
    const __m128d width =
        _mm_add_pd(_mm_mul_pd(_mm_andnot_pd(signBit, y), _mm_set1_pd(kQuickSineRelativeWidth)),
                   _mm_mul_pd(_mm_andnot_pd(signBit, k), _mm_set1_pd(widthPerTurn)));
    const __m128 below = _mm_cvtpd_ps(_mm_sub_pd(y, width));
    const __m128 above = _mm_cvtpd_ps(_mm_add_pd(y, width));
    const int same = _mm_movemask_ps(_mm_cmpeq_ps(below, above)) & kTwoLanesSet;
    return {_mm_cvtpd_ps(y), same & _mm_movemask_pd(usable)};
}

FENNROW_QUICK_SINE_INLINE QuickSinePair quickSineTwo(__m128d x) {
    const __m128d shifted =
        _mm_add_pd(_mm_mul_pd(x, _mm_set1_pd(2.0 * kOneOverPi)), _mm_set1_pd(kRoundingShift));
    const __m128d k = _mm_sub_pd(shifted, _mm_set1_pd(kRoundingShift));
    const __m128d r =
        _mm_sub_pd(_mm_sub_pd(x, _mm_mul_pd(k, _mm_set1_pd(kHalfPi1))), _mm_mul_pd(k, _mm_set1_pd(kHalfPi2)));
    const Quadrant quadrant = quickSineQuadrant(shifted);
    const auto pick = [&quadrant](__m128d ifOdd, __m128d ifEven) {
        return _mm_or_pd(_mm_and_pd(quadrant.odd, ifOdd), _mm_andnot_pd(quadrant.odd, ifEven));
    };
    const auto coefficient = [&pick](int i) {
        return pick(_mm_set1_pd(kQuickCos[i]), _mm_set1_pd(kQuickSin[i]));
    };
    const __m128d z = _mm_mul_pd(r, r);
    const __m128d z2 = _mm_mul_pd(z, z);
    const __m128d z4 = _mm_mul_pd(z2, z2);
    const auto pair = [&coefficient, z](int i) {
        return _mm_add_pd(coefficient(i), _mm_mul_pd(coefficient(i + 1), z));
    };
    const __m128d low = _mm_add_pd(pair(0), _mm_mul_pd(pair(2), z2));
    const __m128d high = _mm_add_pd(pair(4), _mm_mul_pd(coefficient(6), z2));
    const __m128d q = _mm_add_pd(low, _mm_mul_pd(high, z4));
    // sin: r + (r z) S(z); cos: 1 + z C(z); the quadrant's sign on both parts.
    const __m128d lead = _mm_xor_pd(pick(_mm_set1_pd(1.0), r), quadrant.negate);
    const __m128d scale = _mm_xor_pd(pick(z, _mm_mul_pd(r, z)), quadrant.negate);
    return quickSineSettle(_mm_add_pd(lead, _mm_mul_pd(scale, q)), k, quickSineUsable(x));
}

#if defined(__GNUC__)
namespace {

// The same estimate for code built for AVX2 and FMA, each multiply-add fused:
// one rounding where there were two, so every bound above still holds; it
// is shorter from argument to result, which is what the oscillators wait
// for, as is its one-step reduction (see kFusedSineWidthPerTurn). Internal,
// so that each translation unit that uses it has its own copy for its own
// target.
#define FENNROW_FUSED_INLINE __attribute__((target("avx2,fma"))) FENNROW_QUICK_SINE_INLINE

// The coefficient of z^i in the lanes' polynomials: cos's or sin's.
FENNROW_FUSED_INLINE __m128d fusedCoefficient(const Quadrant& quadrant, int i) {
    return _mm_blendv_pd(_mm_set1_pd(kQuickSin[i]), _mm_set1_pd(kQuickCos[i]), quadrant.odd);
}

FENNROW_FUSED_INLINE __m128d fusedPair(const Quadrant& quadrant, int i, __m128d z) {
    return _mm_fmadd_pd(fusedCoefficient(quadrant, i + 1), z, fusedCoefficient(quadrant, i));
}

FENNROW_FUSED_INLINE QuickSinePair quickSineTwoFused(__m128d x) {
    const __m128d shifted = _mm_fmadd_pd(x, _mm_set1_pd(2.0 * kOneOverPi), _mm_set1_pd(kRoundingShift));
    const __m128d k = _mm_sub_pd(shifted, _mm_set1_pd(kRoundingShift));
    const __m128d r = _mm_fnmadd_pd(k, _mm_set1_pd(kHalfPi), x);
    const Quadrant quadrant = quickSineQuadrant(shifted);
    const __m128d z = _mm_mul_pd(r, r);
    const __m128d z2 = _mm_mul_pd(z, z);
    const __m128d z4 = _mm_mul_pd(z2, z2);
    const __m128d low = _mm_fmadd_pd(fusedPair(quadrant, 2, z), z2, fusedPair(quadrant, 0, z));
    const __m128d high = _mm_fmadd_pd(fusedCoefficient(quadrant, 6), z2, fusedPair(quadrant, 4, z));
    const __m128d q = _mm_fmadd_pd(high, z4, low);
    const __m128d lead = _mm_xor_pd(_mm_blendv_pd(r, _mm_set1_pd(1.0), quadrant.odd), quadrant.negate);
    const __m128d scale = _mm_xor_pd(_mm_blendv_pd(_mm_mul_pd(r, z), z, quadrant.odd), quadrant.negate);
    return quickSineSettle(_mm_fmadd_pd(scale, q, lead), k, quickSineUsable(x), kFusedSineWidthPerTurn);
}

} // namespace
#endif

#endif

} // namespace detail

#if FENNROW_QUICK_SINE
namespace detail {
// sinf of two values from the lanes a kernel above returned.
FENNROW_QUICK_SINE_INLINE void settleSinfPair(const detail::QuickSinePair& lanes, float a, float b,
                                              float& sinA, float& sinB) {
    sinA = _mm_cvtss_f32(lanes.result);
    sinB = _mm_cvtss_f32(_mm_shuffle_ps(lanes.result, lanes.result, 1));
    if (lanes.decided != kTwoLanesSet) [[unlikely]] {
        if (!(lanes.decided & 1)) sinA = sinf(a);
        if (!(lanes.decided & 2)) sinB = sinf(b);
    }
}
} // namespace detail
#endif

// sinf of two independent values at once.
FENNROW_QUICK_SINE_INLINE void sinfPair(float a, float b, float& sinA, float& sinB) {
#if FENNROW_QUICK_SINE
    detail::settleSinfPair(detail::quickSineTwo(_mm_cvtps_pd(_mm_setr_ps(a, b, 0.0f, 0.0f))), a, b, sinA,
                           sinB);
#else
    sinA = sinf(a);
    sinB = sinf(b);
#endif
}

#if FENNROW_QUICK_SINE && defined(__GNUC__)
namespace {
// The same for code built for AVX2 and FMA.
FENNROW_FUSED_INLINE void sinfPairFused(float a, float b, float& sinA, float& sinB) {
    detail::settleSinfPair(detail::quickSineTwoFused(_mm_cvtps_pd(_mm_setr_ps(a, b, 0.0f, 0.0f))), a, b, sinA,
                           sinB);
}
} // namespace
#endif

} // namespace fennrow::maths
