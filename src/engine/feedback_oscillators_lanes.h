// The schedule of the feedback oscillators, one template for both vector
// forms: the SSE2 one (feedback_oscillators.cpp) and the AVX2 one
// (feedback_oscillators_avx2.cpp). Each
// oscillator's sine waits for the one before, so the processor has time to
// spare on that chain; the schedule fills it with the shaper terms of the
// samples before, four lanes of log1p(exp()) beside each pair of sines.
// Like the maths lanes headers it builds on, include it after the AVX2
// target is set in the AVX2 file.
#pragma once

// A lanes header: after avx2_target_begin.h in an AVX2 file.
#define FENNROW_LANE_TEMPLATES

#include "engine/dsp_constants.h"
#include "engine/feedback_oscillators.h"
#include "maths/simd.h"
#include "maths/sine_pair.h"
#include "maths/softplus_batch_lanes.h"

#include <cstdint>

#if FENNROW_SIMD

namespace fennrow::engine {

// The two oscillators side by side, A in the low lane and B in the next,
// each lane taking exactly stepFeedbackSine's steps, so the same bits; each
// output goes on to the next argument without leaving the registers.
struct OscillatorLanes {
    __m128d phase;
    __m128 y1;
    __m128 y2;
};

FENNROW_ALWAYS_INLINE OscillatorLanes loadOscillatorLanes(const FeedbackSine& a, const FeedbackSine& b) {
    return {_mm_setr_pd(a.phase, b.phase), _mm_setr_ps(a.y1, b.y1, 0.0f, 0.0f),
            _mm_setr_ps(a.y2, b.y2, 0.0f, 0.0f)};
}

FENNROW_ALWAYS_INLINE void storeOscillatorLanes(const OscillatorLanes& lanes, FeedbackSine& a,
                                                FeedbackSine& b) {
    a.phase = _mm_cvtsd_f64(lanes.phase);
    b.phase = _mm_cvtsd_f64(_mm_unpackhi_pd(lanes.phase, lanes.phase));
    a.y1 = _mm_cvtss_f32(lanes.y1);
    b.y1 = maths::secondLane(lanes.y1);
    a.y2 = _mm_cvtss_f32(lanes.y2);
    b.y2 = maths::secondLane(lanes.y2);
}

// One step of both oscillators: advanceFeedbackPhase, feedbackArgument,
// the sine (through PairOps' estimate) and pushFeedbackOutput, lane by lane.
template <class PairOps>
FENNROW_ALWAYS_INLINE void stepOscillatorLanes(OscillatorLanes& o, __m128d increment, __m128 feedbackHalf,
                                               float* outA, float* outB) {
    const __m128d one = _mm_set1_pd(1.0);
    const __m128d phase = _mm_add_pd(o.phase, increment);
    o.phase = _mm_sub_pd(phase, _mm_and_pd(_mm_cmpge_pd(phase, one), one));
    const __m128 turn = _mm_mul_ps(_mm_mul_ps(_mm_cvtpd_ps(o.phase), _mm_set1_ps(2.0f)), _mm_set1_ps(kPi32));
    const __m128 argument = _mm_add_ps(turn, _mm_mul_ps(_mm_add_ps(o.y1, o.y2), feedbackHalf));
    const __m128 y = maths::sinfPairLanes<PairOps>(argument);
    o.y2 = o.y1;
    o.y1 = y;
    _mm_store_ss(outA, y);
    *outB = maths::secondLane(y);
}

// The shaper terms of steps k and k + 1 of both oscillators go in groups of
// the shaper lanes' width (Lanes: the TwoStreamLanes of lanes_sse2.h or lanes_avx2.h): one
// group of four lanes, A's two steps then B's, or two groups of two, A's and
// then B's. Beyond the maths the lanes supply D loadSteps(a, b, group),
// those steps widened, and storeSteps(D, a, b, group), the reverse.
template <class Lanes>
struct ShaperGroups {
    static constexpr int kCount = 4 / Lanes::kLanes;
    typename Lanes::D group[kCount];
};

// The terms (shaperU and its softplus) in two halves that run a sample
// apart, so that neither the exp's latency nor the log1p's holds up the
// sines: the first stores u and returns exp(-2u).
template <class Lanes>
FENNROW_ALWAYS_INLINE ShaperGroups<Lanes> shaperExpGroups(const TanhShaperParams& p, const float* rawA,
                                                          const float* rawB, ShaperTerms& termsA,
                                                          ShaperTerms& termsB, uint32_t k) {
    using D = typename Lanes::D;
    ShaperGroups<Lanes> out;
    for (int g = 0; g < ShaperGroups<Lanes>::kCount; ++g) {
        const D sum = static_cast<double>(p.b) + Lanes::loadSteps(rawA + k, rawB + k, g);
        const D u = Lanes::abs(sum * static_cast<double>(p.g));
        Lanes::storeSteps(u, termsA.u + k, termsB.u + k, g);
        double scratch[Lanes::kLanes];
        out.group[g] = maths::expLanes<Lanes>(D(-2.0 * u), scratch);
    }
    return out;
}

// The second half: log1p of what shaperExpGroups returned.
template <class Lanes>
FENNROW_ALWAYS_INLINE void shaperLog1pGroups(const ShaperGroups<Lanes>& y, ShaperTerms& termsA,
                                             ShaperTerms& termsB, uint32_t k) {
    for (int g = 0; g < ShaperGroups<Lanes>::kCount; ++g) {
        double softplus[Lanes::kLanes];
        maths::log1pLanes<Lanes>(y.group[g], softplus);
        Lanes::storeSteps(Lanes::load(softplus), termsA.softplus + k, termsB.softplus + k, g);
    }
}

template <class Lanes, class PairOps>
void feedbackOscillatorLanes(const FeedbackChunk& chunk, FeedbackSine& oscA, FeedbackSine& oscB,
                             const TanhShaperParams& shaper, float* rawA, float* rawB, ShaperTerms& termsA,
                             ShaperTerms& termsB) {
    OscillatorLanes o = loadOscillatorLanes(oscA, oscB);
    const __m128 feedbackHalf = _mm_set1_ps(chunk.feedback * 0.5f);
    const uint32_t n = chunk.samples;
    ShaperGroups<Lanes> pending{}; // exp of the terms of sample j - 2, waiting for its log1p
    for (uint32_t j = 0; j < n; ++j) {
        const float f = chunk.frequency[j];
        const double stepA = static_cast<double>(f - chunk.detune) * chunk.secondsPerStep;
        const double stepB = static_cast<double>(f + chunk.detune) * chunk.secondsPerStep;
        const __m128d increment = _mm_setr_pd(stepA, stepB);
        // The terms go between and after the two steps: spread out, more of
        // their work runs while the chain waits.
        stepOscillatorLanes<PairOps>(o, increment, feedbackHalf, rawA + 2 * j, rawB + 2 * j);
        ShaperGroups<Lanes> next{};
        if (j >= 1) next = shaperExpGroups<Lanes>(shaper, rawA, rawB, termsA, termsB, 2 * (j - 1));
        stepOscillatorLanes<PairOps>(o, increment, feedbackHalf, rawA + 2 * j + 1, rawB + 2 * j + 1);
        if (j >= 2) shaperLog1pGroups<Lanes>(pending, termsA, termsB, 2 * (j - 2));
        pending = next;
    }
    if (n >= 2) shaperLog1pGroups<Lanes>(pending, termsA, termsB, 2 * (n - 2));
    shaperLog1pGroups<Lanes>(shaperExpGroups<Lanes>(shaper, rawA, rawB, termsA, termsB, 2 * (n - 1)), termsA,
                             termsB, 2 * (n - 1));
    storeOscillatorLanes(o, oscA, oscB);
}

} // namespace fennrow::engine

#endif
