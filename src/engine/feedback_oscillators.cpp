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

typedef double Doubles4 __attribute__((vector_size(32)));
typedef std::uint64_t Bits4 __attribute__((vector_size(32)));

// Four lanes in the compiler's vector extensions, two SSE2 registers each.
struct GenericShaperLanes : maths::VectorLanes<Doubles4, Bits4, 4> {
    static bool all(U m) { return (m[0] & m[1] & m[2] & m[3]) != 0; }
    static D loadSteps(const float* a, const float* b) {
        return D{static_cast<double>(a[0]), static_cast<double>(a[1]), static_cast<double>(b[0]),
                 static_cast<double>(b[1])};
    }
    static void storeSteps(D v, double* a, double* b) {
        a[0] = v[0];
        a[1] = v[1];
        b[0] = v[2];
        b[1] = v[3];
    }
};

} // namespace

void runFeedbackOscillators(const FeedbackChunk& chunk, FeedbackSine& oscA, FeedbackSine& oscB,
                            const TanhShaperParams& shaper, float* rawA, float* rawB, ShaperTerms& termsA,
                            ShaperTerms& termsB, bool useAvx2) {
    if (useAvx2)
        runFeedbackOscillatorsAvx2(chunk, oscA, oscB, shaper, rawA, rawB, termsA, termsB);
    else
        feedbackOscillatorLanes<GenericShaperLanes, maths::PlainPairOps>(chunk, oscA, oscB, shaper, rawA,
                                                                         rawB, termsA, termsB);
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
