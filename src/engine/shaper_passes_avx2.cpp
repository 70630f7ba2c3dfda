// Compiled for AVX2 and FMA; see feedback_oscillators_avx2.cpp for the rule on
// includes.
#include "engine/shaper_passes_avx2.h"

#if FENNROW_ENGINE_AVX2

#include <immintrin.h>

#include "maths/avx2_target_begin.h"

namespace fennrow {

int shaperAntiderivativesAvx2(const TanhShaperParams& p, const ShaperTerms& terms, const double* x, double* f,
                              int count) {
    const __m256d ln2 = _mm256_set1_pd(maths::kLn2);
    const __m256d f0 = _mm256_set1_pd(p.f0);
    const __m256d g = _mm256_set1_pd(static_cast<double>(p.g));
    const __m256d d = _mm256_set1_pd(static_cast<double>(p.d));
    const __m256d n = _mm256_set1_pd(static_cast<double>(p.n));
    int k = 0;
    for (; k + 4 <= count; k += 4) {
        const __m256d sum = _mm256_add_pd(_mm256_loadu_pd(terms.softplus + k), _mm256_loadu_pd(terms.u + k));
        const __m256d scaled = _mm256_div_pd(_mm256_sub_pd(_mm256_sub_pd(sum, ln2), f0), g);
        const __m256d less = _mm256_sub_pd(scaled, _mm256_mul_pd(d, _mm256_loadu_pd(x + k + 1)));
        _mm256_storeu_pd(f + k + 1, _mm256_mul_pd(less, n));
    }
    return k;
}

int shaperQuotientsAvx2(const double* x, const double* f, float* out, int count, bool& allApart) {
    const __m256d signBit = _mm256_set1_pd(-0.0);
    const __m256d threshold = _mm256_set1_pd(kShaperMidpointThreshold);
    const __m256d one = _mm256_set1_pd(1.0);
    int nearSteps = 0;
    int k = 0;
    for (; k + 4 <= count; k += 4) {
        const __m256d diff = _mm256_sub_pd(_mm256_loadu_pd(x + k + 1), _mm256_loadu_pd(x + k));
        const __m256d near = _mm256_cmp_pd(_mm256_andnot_pd(signBit, diff), threshold, _CMP_LT_OQ);
        const __m256d divisor = _mm256_blendv_pd(diff, one, near);
        const __m256d rise = _mm256_sub_pd(_mm256_loadu_pd(f + k + 1), _mm256_loadu_pd(f + k));
        _mm_storeu_ps(out + k, _mm256_cvtpd_ps(_mm256_div_pd(rise, divisor)));
        nearSteps |= _mm256_movemask_pd(near);
    }
    allApart &= nearSteps == 0;
    return k;
}

} // namespace fennrow

#include "maths/avx2_target_end.h"

#endif
