// sinf on several values at once: the short reduction and the kernel of
// sinf, lane by lane, two doubles to an SSE2 register or four to an AVX2
// one. A lane whose argument needs the long reduction, or whose rounding
// the bound leaves open, is handed to the scalar sinf, so every lane gives
// exactly sinf's result.
#include "maths/sin_block.h"

#include "maths/float_functions.h"
#include "maths/lane_masks.h"
#include "maths/sine_kernel.h"
#include "maths/trig_reduction.h"

#if FENNROW_MATHS_SSE2
#include <immintrin.h>
#endif

namespace fennrow::maths {

namespace detail {

void sinfBlockScalar(const float* in, float* out, int count) {
    for (int i = 0; i < count; ++i) out[i] = sinf(in[i]);
}

#if FENNROW_MATHS_SSE2

namespace {

// The lanes' estimates as in sinf; `decided` gets a bit per lane whose
// rounding is settled.
struct TwoLanes {
    __m128 result; // in the low two floats
    int decided;
};

inline __attribute__((always_inline)) TwoLanes sineTwo(__m128d x) {
    const __m128d signBit = _mm_set1_pd(-0.0);
    const __m128d inRange = _mm_cmple_pd(_mm_andnot_pd(signBit, x), _mm_set1_pd(kShortReductionLimit));
    const __m128d shifted = _mm_add_pd(_mm_mul_pd(x, _mm_set1_pd(kOneOverPi)), _mm_set1_pd(kRoundingShift));
    const __m128d k = _mm_sub_pd(shifted, _mm_set1_pd(kRoundingShift));
    const __m128d j = _mm_add_pd(k, k);
    const __m128d r =
        _mm_sub_pd(_mm_sub_pd(x, _mm_mul_pd(j, _mm_set1_pd(kHalfPi1))), _mm_mul_pd(j, _mm_set1_pd(kHalfPi2)));
    const __m128d z = _mm_mul_pd(r, r);
    const __m128d z2 = _mm_mul_pd(z, z);
    const __m128d z4 = _mm_mul_pd(z2, z2);
    const __m128d z8 = _mm_mul_pd(z4, z4);
    const auto pair = [z](int i) {
        return _mm_add_pd(_mm_set1_pd(kSineCoefficients[i]),
                          _mm_mul_pd(_mm_set1_pd(kSineCoefficients[i + 1]), z));
    };
    const __m128d b0 = _mm_add_pd(pair(0), _mm_mul_pd(pair(2), z2));
    const __m128d b1 = _mm_add_pd(pair(4), _mm_mul_pd(pair(6), z2));
    const __m128d q = _mm_add_pd(_mm_add_pd(b0, _mm_mul_pd(b1, z4)), _mm_mul_pd(pair(8), z8));
    const __m128d sum = _mm_add_pd(r, _mm_mul_pd(r, _mm_mul_pd(z, q)));
    const __m128d s = _mm_or_pd(_mm_andnot_pd(signBit, sum), _mm_and_pd(signBit, r)); // sin r has r's sign
    // An odd k (the low bit of the shifted sum) flips the sign.
    const __m128d flip = _mm_castsi128_pd(_mm_slli_epi64(_mm_castpd_si128(shifted), 63));
    const __m128d y = _mm_xor_pd(s, flip);
    const __m128d width = _mm_add_pd(_mm_mul_pd(_mm_andnot_pd(signBit, y), _mm_set1_pd(kSineRelativeWidth)),
                                     _mm_mul_pd(_mm_andnot_pd(signBit, j), _mm_set1_pd(0x1p-85)));
    const __m128 lo = _mm_cvtpd_ps(_mm_sub_pd(y, width));
    const __m128 hi = _mm_cvtpd_ps(_mm_add_pd(y, width));
    const int same = _mm_movemask_ps(_mm_cmpeq_ps(lo, hi)) & kTwoLanesSet;
    return {_mm_cvtpd_ps(y), same & _mm_movemask_pd(inRange)};
}

} // namespace

void sinfBlockSse2(const float* in, float* out, int count) {
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128 v = _mm_loadu_ps(in + i);
        const TwoLanes low = sineTwo(_mm_cvtps_pd(v));
        const TwoLanes high = sineTwo(_mm_cvtps_pd(_mm_movehl_ps(v, v)));
        if ((low.decided & high.decided) != kTwoLanesSet) break; // the lanes one by one below
        _mm_storeu_ps(out + i, _mm_movelh_ps(low.result, high.result));
    }
    for (; i < count; i += 4) {
        float x[4] = {};
        const int n = count - i < 4 ? count - i : 4;
        for (int m = 0; m < n; ++m) x[m] = in[i + m];
        const __m128 v = _mm_loadu_ps(x);
        const TwoLanes low = sineTwo(_mm_cvtps_pd(v));
        const TwoLanes high = sineTwo(_mm_cvtps_pd(_mm_movehl_ps(v, v)));
        float y[4];
        _mm_storeu_ps(y, _mm_movelh_ps(low.result, high.result));
        const int decided = low.decided | (high.decided << 2);
        for (int m = 0; m < n; ++m) out[i + m] = (decided >> m) & 1 ? y[m] : sinf(x[m]);
    }
}

#if FENNROW_MATHS_AVX2

namespace {

struct FourLanes {
    __m128 result;
    int decided;
};

__attribute__((target("avx2"))) FourLanes sineFour(__m256d x) {
    const __m256d signBit = _mm256_set1_pd(-0.0);
    const __m256d inRange =
        _mm256_cmp_pd(_mm256_andnot_pd(signBit, x), _mm256_set1_pd(kShortReductionLimit), _CMP_LE_OQ);
    const __m256d shifted =
        _mm256_add_pd(_mm256_mul_pd(x, _mm256_set1_pd(kOneOverPi)), _mm256_set1_pd(kRoundingShift));
    const __m256d k = _mm256_sub_pd(shifted, _mm256_set1_pd(kRoundingShift));
    const __m256d j = _mm256_add_pd(k, k);
    const __m256d r = _mm256_sub_pd(_mm256_sub_pd(x, _mm256_mul_pd(j, _mm256_set1_pd(kHalfPi1))),
                                    _mm256_mul_pd(j, _mm256_set1_pd(kHalfPi2)));
    const __m256d z = _mm256_mul_pd(r, r);
    const __m256d z2 = _mm256_mul_pd(z, z);
    const __m256d z4 = _mm256_mul_pd(z2, z2);
    const __m256d z8 = _mm256_mul_pd(z4, z4);
    const __m256d p0 = _mm256_add_pd(_mm256_set1_pd(kSineCoefficients[0]),
                                     _mm256_mul_pd(_mm256_set1_pd(kSineCoefficients[1]), z));
    const __m256d p2 = _mm256_add_pd(_mm256_set1_pd(kSineCoefficients[2]),
                                     _mm256_mul_pd(_mm256_set1_pd(kSineCoefficients[3]), z));
    const __m256d p4 = _mm256_add_pd(_mm256_set1_pd(kSineCoefficients[4]),
                                     _mm256_mul_pd(_mm256_set1_pd(kSineCoefficients[5]), z));
    const __m256d p6 = _mm256_add_pd(_mm256_set1_pd(kSineCoefficients[6]),
                                     _mm256_mul_pd(_mm256_set1_pd(kSineCoefficients[7]), z));
    const __m256d p8 = _mm256_add_pd(_mm256_set1_pd(kSineCoefficients[8]),
                                     _mm256_mul_pd(_mm256_set1_pd(kSineCoefficients[9]), z));
    const __m256d b0 = _mm256_add_pd(p0, _mm256_mul_pd(p2, z2));
    const __m256d b1 = _mm256_add_pd(p4, _mm256_mul_pd(p6, z2));
    const __m256d q = _mm256_add_pd(_mm256_add_pd(b0, _mm256_mul_pd(b1, z4)), _mm256_mul_pd(p8, z8));
    const __m256d sum = _mm256_add_pd(r, _mm256_mul_pd(r, _mm256_mul_pd(z, q)));
    const __m256d s = _mm256_or_pd(_mm256_andnot_pd(signBit, sum), _mm256_and_pd(signBit, r));
    const __m256d flip = _mm256_castsi256_pd(_mm256_slli_epi64(_mm256_castpd_si256(shifted), 63));
    const __m256d y = _mm256_xor_pd(s, flip);
    const __m256d width =
        _mm256_add_pd(_mm256_mul_pd(_mm256_andnot_pd(signBit, y), _mm256_set1_pd(kSineRelativeWidth)),
                      _mm256_mul_pd(_mm256_andnot_pd(signBit, j), _mm256_set1_pd(0x1p-85)));
    const __m128 lo = _mm256_cvtpd_ps(_mm256_sub_pd(y, width));
    const __m128 hi = _mm256_cvtpd_ps(_mm256_add_pd(y, width));
    const int same = _mm_movemask_ps(_mm_cmpeq_ps(lo, hi));
    return {_mm256_cvtpd_ps(y), same & _mm256_movemask_pd(inRange)};
}

} // namespace

__attribute__((target("avx2"))) void sinfBlockAvx2(const float* in, float* out, int count) {
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        const FourLanes low = sineFour(_mm256_cvtps_pd(_mm_loadu_ps(in + i)));
        const FourLanes high = sineFour(_mm256_cvtps_pd(_mm_loadu_ps(in + i + 4)));
        if ((low.decided & high.decided) != 15) break; // the lanes one by one below
        _mm_storeu_ps(out + i, low.result);
        _mm_storeu_ps(out + i + 4, high.result);
    }
    for (; i < count; i += 8) {
        float x[8] = {};
        const int n = count - i < 8 ? count - i : 8;
        for (int m = 0; m < n; ++m) x[m] = in[i + m];
        const FourLanes low = sineFour(_mm256_cvtps_pd(_mm_loadu_ps(x)));
        const FourLanes high = sineFour(_mm256_cvtps_pd(_mm_loadu_ps(x + 4)));
        float y[8];
        _mm_storeu_ps(y, low.result);
        _mm_storeu_ps(y + 4, high.result);
        const int decided = low.decided | (high.decided << 4);
        for (int m = 0; m < n; ++m) out[i + m] = (decided >> m) & 1 ? y[m] : sinf(x[m]);
    }
}

#endif // FENNROW_MATHS_AVX2
#endif // FENNROW_MATHS_SSE2

bool processorHasAvx2() {
#if FENNROW_MATHS_AVX2
    __builtin_cpu_init(); // may run before the constructors that would do it
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

namespace {

using BlockFunction = void (*)(const float*, float*, int);

BlockFunction chooseBlockFunction() {
#if FENNROW_MATHS_AVX2
    if (processorHasAvx2()) return sinfBlockAvx2;
#endif
#if FENNROW_MATHS_SSE2
    return sinfBlockSse2;
#else
    return sinfBlockScalar;
#endif
}

// Chosen once when the library is loaded, never on the audio thread.
const BlockFunction kSinfBlock = chooseBlockFunction();

} // namespace

} // namespace detail

void sinfBlock(const float* in, float* out, int count) { detail::kSinfBlock(in, out, count); }

} // namespace fennrow::maths
