// The two feedback oscillators over a chunk, with their shaper terms. The
// SSE2 form and the AVX2 one follow one schedule,
// feedback_oscillators_lanes.h; the scalar form is the plain loop they are
// checked against. The results are the same bits on every path.
#pragma once

#include "engine/feedback_sine.h"
#include "engine/tanh_shaper.h"
#include "maths/simd.h"

#include <cstdint>

namespace fennrow::engine {

struct FeedbackChunk {
    const float* frequency; // per sample
    float detune;           // Hz, minus for A and plus for B
    double secondsPerStep;  // seconds per step at the doubled rate
    float feedback;
    uint32_t samples; // two steps each
};

// rawA/rawB get two steps per sample, termsA/termsB their shaper terms, on
// `path` (which must be available).
void runFeedbackOscillators(maths::SimdPath path, const FeedbackChunk& chunk, FeedbackSine& oscA,
                            FeedbackSine& oscB, const TanhShaperParams& shaper, float* rawA, float* rawB,
                            ShaperTerms& termsA, ShaperTerms& termsB);

// The forms, one for each instruction set (the AVX2 one in
// feedback_oscillators_avx2.cpp).
using FeedbackOscillatorsForm = void(const FeedbackChunk& chunk, FeedbackSine& oscA, FeedbackSine& oscB,
                                     const TanhShaperParams& shaper, float* rawA, float* rawB,
                                     ShaperTerms& termsA, ShaperTerms& termsB);

namespace scalar {
FeedbackOscillatorsForm runFeedbackOscillators;
} // namespace scalar

#if FENNROW_SIMD
namespace sse2 {
FeedbackOscillatorsForm runFeedbackOscillators;
} // namespace sse2

namespace avx2 {
FeedbackOscillatorsForm runFeedbackOscillators;
} // namespace avx2
#endif

} // namespace fennrow::engine
