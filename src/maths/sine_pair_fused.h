// The operations of sinePairEstimate for code built for AVX2 and FMA: each
// multiply-add fused, one rounding where there were two, so every bound of
// sine_pair.h still holds, and the reduction in one fused step with one
// constant (see kFusedSineWidthPerTurn). Shorter from argument to result,
// which is what the oscillators wait for. Include it only after
// avx2_target_begin.h.
#pragma once

#include "maths/sine_pair.h"

#if FENNROW_SIMD

#if !defined(FENNROW_AVX2_TARGET)
#error "AVX2 code: include this header after avx2_target_begin.h"
#endif

namespace fennrow::maths {
struct FusedPairOps {
    static constexpr double kWidthPerTurn = kFusedSineWidthPerTurn;
    static FENNROW_ALWAYS_INLINE __m128d mulAdd(__m128d a, __m128d b, __m128d c) {
        return _mm_fmadd_pd(a, b, c);
    }
    static FENNROW_ALWAYS_INLINE __m128d reduce(__m128d x, __m128d k) {
        return _mm_fnmadd_pd(k, _mm_set1_pd(kHalfPi), x);
    }
    static FENNROW_ALWAYS_INLINE __m128d pick(__m128d mask, __m128d ifSet, __m128d ifClear) {
        return _mm_blendv_pd(ifClear, ifSet, mask);
    }
};

} // namespace fennrow::maths

#endif
