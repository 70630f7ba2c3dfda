// The feedback oscillators compiled for AVX2 and FMA. Only this file's own
// functions get the target: every shared header with external inline
// functions is included before the target is set, and what is inlined from
// them takes on the target here.
#include "engine/feedback_oscillators.h"

#if FENNROW_ENGINE_AVX2

#include "maths/double_arith.h"
#include "maths/double_tables.h"
#include "maths/exp_double.h"
#include "maths/log1p_double.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <immintrin.h>

#include "maths/avx2_target_begin.h"

#include "maths/softplus_batch_lanes.h"
#include "maths/softplus_lanes_avx2.h"

namespace fennrow {

namespace {

using Lanes = maths::Avx2Lanes;

// stepFeedbackSinePair with the fused sine, shorter from one output to the
// next argument.
inline __attribute__((always_inline)) void stepPair(FeedbackSine& a, FeedbackSine& b, double incrementA,
                                                    double incrementB, float feedback, float& outA,
                                                    float& outB) {
    advanceFeedbackPhase(a, incrementA);
    advanceFeedbackPhase(b, incrementB);
    maths::sinfPairFused(feedbackArgument(a, feedback), feedbackArgument(b, feedback), outA, outB);
    pushFeedbackOutput(a, outA);
    pushFeedbackOutput(b, outB);
}

// The shaper terms of steps k and k + 1 of both oscillators, one vector, in
// two halves that run a sample apart, so that neither the exp's latency nor
// the log1p's holds up the sines: the first stores u and returns exp(-2u).
inline __attribute__((always_inline)) Lanes::D shaperExpFour(const TanhShaperParams& p, const float* rawA,
                                                             const float* rawB, ShaperTerms& termsA,
                                                             ShaperTerms& termsB, uint32_t k) {
    // The lanes: A's steps k and k + 1, then B's.
    const __m128 x = _mm_castpd_ps(
        _mm_unpacklo_pd(_mm_castps_pd(_mm_loadl_pi(_mm_setzero_ps(), (const __m64*)(rawA + k))),
                        _mm_castps_pd(_mm_loadl_pi(_mm_setzero_ps(), (const __m64*)(rawB + k)))));
    const __m256d sum = _mm256_add_pd(_mm256_set1_pd(static_cast<double>(p.b)), _mm256_cvtps_pd(x));
    const __m256d u =
        _mm256_andnot_pd(_mm256_set1_pd(-0.0), _mm256_mul_pd(sum, _mm256_set1_pd(static_cast<double>(p.g))));
    _mm_storeu_pd(termsA.u + k, _mm256_castpd256_pd128(u));
    _mm_storeu_pd(termsB.u + k, _mm256_extractf128_pd(u, 1));
    double scratch[4];
    return maths::expLanes<Lanes>(Lanes::D(_mm256_mul_pd(_mm256_set1_pd(-2.0), u)), scratch);
}

// The second half: log1p of what shaperExpFour returned.
inline __attribute__((always_inline)) void shaperLog1pFour(Lanes::D y, ShaperTerms& termsA,
                                                           ShaperTerms& termsB, uint32_t k) {
    double softplus[4];
    maths::log1pLanes<Lanes>(y, softplus);
    const __m256d lanes = _mm256_loadu_pd(softplus);
    _mm_storeu_pd(termsA.softplus + k, _mm256_castpd256_pd128(lanes));
    _mm_storeu_pd(termsB.softplus + k, _mm256_extractf128_pd(lanes, 1));
}

} // namespace

void runFeedbackOscillatorsAvx2(const FeedbackChunk& chunk, FeedbackSine& oscA, FeedbackSine& oscB,
                                const TanhShaperParams& shaper, float* rawA, float* rawB, ShaperTerms& termsA,
                                ShaperTerms& termsB) {
    // Locals: stores into the chunk cannot alias them, so each output goes on
    // to the next argument in a register.
    FeedbackSine a = oscA;
    FeedbackSine b = oscB;
    const uint32_t n = chunk.samples;
    Lanes::D pending{}; // exp of the terms of sample j - 2, waiting for its log1p
    for (uint32_t j = 0; j < n; ++j) {
        const float f = chunk.frequency[j];
        const double stepA = static_cast<double>(f - chunk.detune) * chunk.halfPeriod;
        const double stepB = static_cast<double>(f + chunk.detune) * chunk.halfPeriod;
        stepPair(a, b, stepA, stepB, chunk.feedback, rawA[2 * j], rawB[2 * j]);
        Lanes::D next{};
        if (j >= 1) next = shaperExpFour(shaper, rawA, rawB, termsA, termsB, 2 * (j - 1));
        stepPair(a, b, stepA, stepB, chunk.feedback, rawA[2 * j + 1], rawB[2 * j + 1]);
        if (j >= 2) shaperLog1pFour(pending, termsA, termsB, 2 * (j - 2));
        pending = next;
    }
    if (n >= 2) shaperLog1pFour(pending, termsA, termsB, 2 * (n - 2));
    shaperLog1pFour(shaperExpFour(shaper, rawA, rawB, termsA, termsB, 2 * (n - 1)), termsA, termsB,
                    2 * (n - 1));
    oscA = a;
    oscB = b;
}

} // namespace fennrow

#include "maths/avx2_target_end.h"

#endif
