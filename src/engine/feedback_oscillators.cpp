// The feedback oscillators' generic form and the choice of form.
#include "engine/feedback_oscillators.h"

#include "maths/simd.h"

#if FENNROW_SIMD
#include "engine/feedback_oscillators_lanes.h"
#endif

namespace fennrow {

#if FENNROW_SIMD

void runFeedbackOscillatorsAvx2(const FeedbackChunk& chunk, FeedbackSine& oscA, FeedbackSine& oscB,
                                const TanhShaperParams& shaper, float* rawA, float* rawB, ShaperTerms& termsA,
                                ShaperTerms& termsB); // feedback_oscillators_avx2.cpp

namespace {

typedef double Sse2Doubles __attribute__((vector_size(16)));
typedef std::uint64_t Sse2Bits __attribute__((vector_size(16)));

// Two lanes to an SSE2 register: A's two steps, then B's.
struct Sse2ShaperLanes : maths::VectorLanes<Sse2Doubles, Sse2Bits, 2> {
    static D loadSteps(const float* a, const float* b, int group) {
        const float* steps = group == 0 ? a : b;
        return D{static_cast<double>(steps[0]), static_cast<double>(steps[1])};
    }
    static void storeSteps(D v, double* a, double* b, int group) { store(group == 0 ? a : b, v); }
};

} // namespace

void runFeedbackOscillators(const FeedbackChunk& chunk, FeedbackSine& oscA, FeedbackSine& oscB,
                            const TanhShaperParams& shaper, float* rawA, float* rawB, ShaperTerms& termsA,
                            ShaperTerms& termsB, bool useAvx2) {
    if (useAvx2)
        runFeedbackOscillatorsAvx2(chunk, oscA, oscB, shaper, rawA, rawB, termsA, termsB);
    else
        feedbackOscillatorLanes<Sse2ShaperLanes, maths::PlainPairOps>(chunk, oscA, oscB, shaper, rawA, rawB,
                                                                      termsA, termsB);
}

#else

// The plain loop: stepFeedbackSine on each oscillator, then the terms.
void runFeedbackOscillators(const FeedbackChunk& chunk, FeedbackSine& oscA, FeedbackSine& oscB,
                            const TanhShaperParams& shaper, float* rawA, float* rawB, ShaperTerms& termsA,
                            ShaperTerms& termsB, bool) {
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
    shaperTermsBlock(shaper, rawA, termsA, steps);
    shaperTermsBlock(shaper, rawB, termsB, steps);
}

#endif

} // namespace fennrow
