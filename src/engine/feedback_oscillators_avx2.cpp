// The feedback oscillators compiled for AVX2 and FMA: the shared schedule
// with the AVX2 shaper lanes and the fused sine pair. Every shared header
// with external inline functions is included before the target is set; what
// follows it has internal linkage and takes the target here.
#include "maths/simd.h"

#if FENNROW_SIMD

#include "engine/dsp_constants.h"
#include "engine/feedback_oscillators.h"
#include "maths/double_arith.h"
#include "maths/double_tables.h"
#include "maths/exp_double.h"
#include "maths/float_functions.h"
#include "maths/lane_masks.h"
#include "maths/log1p_double.h"
#include "maths/trig_reduction.h"

#include <cstdint>
#include <cstring>
#include <immintrin.h>

#include "maths/avx2_target_begin.h"

#include "engine/feedback_oscillators_lanes.h"
#include "maths/sine_pair_fused.h"
#include "maths/softplus_lanes_avx2.h"

namespace fennrow {

namespace {

struct Avx2ShaperLanes : maths::Avx2Lanes {
    static D loadSteps(const float* a, const float* b, int) {
        const __m128 x =
            _mm_castpd_ps(_mm_unpacklo_pd(_mm_castps_pd(_mm_loadl_pi(_mm_setzero_ps(), (const __m64*)a)),
                                          _mm_castps_pd(_mm_loadl_pi(_mm_setzero_ps(), (const __m64*)b))));
        return D(_mm256_cvtps_pd(x));
    }
    static void storeSteps(D v, double* a, double* b, int) {
        _mm_storeu_pd(a, _mm256_castpd256_pd128(__m256d(v)));
        _mm_storeu_pd(b, _mm256_extractf128_pd(__m256d(v), 1));
    }
};

} // namespace

void runFeedbackOscillatorsAvx2(const FeedbackChunk& chunk, FeedbackSine& oscA, FeedbackSine& oscB,
                                const TanhShaperParams& shaper, float* rawA, float* rawB, ShaperTerms& termsA,
                                ShaperTerms& termsB) {
    feedbackOscillatorLanes<Avx2ShaperLanes, maths::FusedPairOps>(chunk, oscA, oscB, shaper, rawA, rawB,
                                                                  termsA, termsB);
}

} // namespace fennrow

#include "maths/avx2_target_end.h"

#endif
