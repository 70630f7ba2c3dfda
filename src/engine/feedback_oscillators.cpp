// The feedback oscillators' scalar and SSE2 forms, and the choice of form.
#include "engine/feedback_oscillators.h"

#if FENNROW_SIMD
#include "engine/feedback_oscillators_lanes.h"
#include "maths/lanes_sse2.h"
#endif

namespace fennrow::engine {

// The plain loop: stepFeedbackSine on each oscillator, then the terms.
void scalar::runFeedbackOscillators(const FeedbackChunk& chunk, FeedbackSine& oscA, FeedbackSine& oscB,
                                    const TanhShaperParams& shaper, float* rawA, float* rawB,
                                    ShaperTerms& termsA, ShaperTerms& termsB) {
    for (uint32_t j = 0; j < chunk.samples; ++j) {
        const float f = chunk.frequency[j];
        const double stepA = static_cast<double>(f - chunk.detune) * chunk.secondsPerStep;
        const double stepB = static_cast<double>(f + chunk.detune) * chunk.secondsPerStep;
        for (uint32_t k = 2 * j; k < 2 * j + 2; ++k) {
            rawA[k] = stepFeedbackSine(oscA, stepA, chunk.feedback);
            rawB[k] = stepFeedbackSine(oscB, stepB, chunk.feedback);
        }
    }
    const int steps = static_cast<int>(2 * chunk.samples);
    shaperTermsBlock(maths::SimdPath::Scalar, shaper, rawA, termsA, steps);
    shaperTermsBlock(maths::SimdPath::Scalar, shaper, rawB, termsB, steps);
}

#if FENNROW_SIMD
// Two lanes to an SSE2 register: A's two steps, then B's.
void sse2::runFeedbackOscillators(const FeedbackChunk& chunk, FeedbackSine& oscA, FeedbackSine& oscB,
                                  const TanhShaperParams& shaper, float* rawA, float* rawB,
                                  ShaperTerms& termsA, ShaperTerms& termsB) {
    feedbackOscillatorLanes<maths::sse2::TwoStreamLanes, maths::PlainPairOps>(chunk, oscA, oscB, shaper, rawA,
                                                                              rawB, termsA, termsB);
}
#endif

namespace {
constexpr maths::SimdForms<FeedbackOscillatorsForm> kForms = FENNROW_SIMD_FORMS(runFeedbackOscillators);
} // namespace

void runFeedbackOscillators(maths::SimdPath path, const FeedbackChunk& chunk, FeedbackSine& oscA,
                            FeedbackSine& oscB, const TanhShaperParams& shaper, float* rawA, float* rawB,
                            ShaperTerms& termsA, ShaperTerms& termsB) {
    kForms[path](chunk, oscA, oscB, shaper, rawA, rawB, termsA, termsB);
}

} // namespace fennrow::engine
