// The feedback oscillators compiled for AVX2 and FMA. Only this file's own
// functions get the target: every shared header with external inline
// functions is included before the target is set, and what is inlined from
// them takes on the target here.
#include "engine/feedback_oscillators.h"

#if FENNROW_ENGINE_AVX2

#include "maths/double_arith.h"
#include "maths/double_tables.h"
#include "maths/exp_double.h"
#include "maths/lane_masks.h"
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

// The two oscillators side by side, A in the low lane and B in the next,
// each lane taking exactly stepFeedbackSinePair's steps, so the same bits;
// each output goes on to the next argument without leaving the registers.
struct OscillatorLanes {
    __m128d phase;
    __m128 y1;
    __m128 y2;
};

OscillatorLanes loadOscillatorLanes(const FeedbackSine& a, const FeedbackSine& b) {
    return {_mm_setr_pd(a.phase, b.phase), _mm_setr_ps(a.y1, b.y1, 0.0f, 0.0f),
            _mm_setr_ps(a.y2, b.y2, 0.0f, 0.0f)};
}

float laneB(__m128 v) { return _mm_cvtss_f32(_mm_shuffle_ps(v, v, 1)); }

void storeOscillatorLanes(const OscillatorLanes& lanes, FeedbackSine& a, FeedbackSine& b) {
    a.phase = _mm_cvtsd_f64(lanes.phase);
    b.phase = _mm_cvtsd_f64(_mm_unpackhi_pd(lanes.phase, lanes.phase));
    a.y1 = _mm_cvtss_f32(lanes.y1);
    b.y1 = laneB(lanes.y1);
    a.y2 = _mm_cvtss_f32(lanes.y2);
    b.y2 = laneB(lanes.y2);
}

// sinf for the lanes of `argument` whose bit in `decided` is clear.
__attribute__((noinline)) __m128 settleSineLanes(__m128 estimate, __m128 argument, int decided) {
    alignas(16) float result[4];
    alignas(16) float x[4];
    _mm_store_ps(result, estimate);
    _mm_store_ps(x, argument);
    for (int lane = 0; lane < 2; ++lane)
        if (!(decided & (1 << lane))) result[lane] = maths::sinf(x[lane]);
    return _mm_load_ps(result);
}

inline __attribute__((always_inline)) void
stepOscillatorLanes(OscillatorLanes& o, __m128d increment, __m128 feedbackHalf, float* outA, float* outB) {
    const __m128d one = _mm_set1_pd(1.0);
    const __m128d phase = _mm_add_pd(o.phase, increment);
    o.phase = _mm_sub_pd(phase, _mm_and_pd(_mm_cmpge_pd(phase, one), one));
    const __m128 turn = _mm_mul_ps(_mm_mul_ps(_mm_cvtpd_ps(o.phase), _mm_set1_ps(2.0f)), _mm_set1_ps(kPi32));
    const __m128 argument = _mm_add_ps(turn, _mm_mul_ps(_mm_add_ps(o.y1, o.y2), feedbackHalf));
    const maths::detail::QuickSinePair sine = maths::detail::quickSineTwoFused(_mm_cvtps_pd(argument));
    __m128 y = sine.result;
    if (sine.decided != maths::kTwoLanesSet) [[unlikely]]
        y = settleSineLanes(y, argument, sine.decided);
    o.y2 = o.y1;
    o.y1 = y;
    _mm_store_ss(outA, y);
    *outB = laneB(y);
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
    OscillatorLanes o = loadOscillatorLanes(oscA, oscB);
    const __m128 feedbackHalf = _mm_set1_ps(chunk.feedback * 0.5f);
    const uint32_t n = chunk.samples;
    Lanes::D pending{}; // exp of the terms of sample j - 2, waiting for its log1p
    for (uint32_t j = 0; j < n; ++j) {
        const float f = chunk.frequency[j];
        const double stepA = static_cast<double>(f - chunk.detune) * chunk.secondsPerStep;
        const double stepB = static_cast<double>(f + chunk.detune) * chunk.secondsPerStep;
        const __m128d increment = _mm_setr_pd(stepA, stepB);
        // The terms go between and after the two steps: spread out, more of
        // their work runs while the chain waits.
        stepOscillatorLanes(o, increment, feedbackHalf, rawA + 2 * j, rawB + 2 * j);
        Lanes::D next{};
        if (j >= 1) next = shaperExpFour(shaper, rawA, rawB, termsA, termsB, 2 * (j - 1));
        stepOscillatorLanes(o, increment, feedbackHalf, rawA + 2 * j + 1, rawB + 2 * j + 1);
        if (j >= 2) shaperLog1pFour(pending, termsA, termsB, 2 * (j - 2));
        pending = next;
    }
    if (n >= 2) shaperLog1pFour(pending, termsA, termsB, 2 * (n - 2));
    shaperLog1pFour(shaperExpFour(shaper, rawA, rawB, termsA, termsB, 2 * (n - 1)), termsA, termsB,
                    2 * (n - 1));
    storeOscillatorLanes(o, oscA, oscB);
}

} // namespace fennrow

#include "maths/avx2_target_end.h"

#endif
