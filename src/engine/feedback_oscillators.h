// The two feedback oscillators over a chunk, with their shaper terms. Each
// oscillator's sine waits for the one before, so the processor has time to
// spare on that chain; the AVX2 form fills it with the shaper terms of the
// sample before, four lanes of log1p(exp()) inlined beside each pair of
// sines. The results are the same bits on every path.
#pragma once

#include "engine/feedback_sine.h"
#include "engine/tanh_shaper.h"

#include <cstdint>

#if (defined(__x86_64__) || defined(_M_X64)) && !defined(FENNROW_NO_SIMD) && defined(__GNUC__)
#define FENNROW_ENGINE_AVX2 1
#else
#define FENNROW_ENGINE_AVX2 0
#endif

namespace fennrow {

struct FeedbackChunk {
    const float* frequency; // per sample
    float detune;           // Hz, minus for A and plus for B
    double secondsPerStep;  // seconds per step at the doubled rate
    float feedback;
    uint32_t samples; // two steps each
};

#if FENNROW_ENGINE_AVX2
// Only where the processor has AVX2 and FMA (maths::bestBatchPath() is Avx2).
void runFeedbackOscillatorsAvx2(const FeedbackChunk& chunk, FeedbackSine& oscA, FeedbackSine& oscB,
                                const TanhShaperParams& shaper, float* rawA, float* rawB, ShaperTerms& termsA,
                                ShaperTerms& termsB);
#endif

} // namespace fennrow
