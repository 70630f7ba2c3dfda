// The two feedback oscillators over a chunk, with their shaper terms. The
// generic form and the AVX2 one (where the processor has it) follow one
// schedule, feedback_oscillators_lanes.h; the scalar form, built only
// without SIMD, is the plain loop they are checked against. The results are
// the same bits on every path.
#pragma once

#include "engine/feedback_sine.h"
#include "engine/tanh_shaper.h"

#include <cstdint>

namespace fennrow {

struct FeedbackChunk {
    const float* frequency; // per sample
    float detune;           // Hz, minus for A and plus for B
    double secondsPerStep;  // seconds per step at the doubled rate
    float feedback;
    uint32_t samples; // two steps each
};

// rawA/rawB get two steps per sample, termsA/termsB their shaper terms.
// useAvx2 only where maths::bestSimdPath() is Avx2.
void runFeedbackOscillators(const FeedbackChunk& chunk, FeedbackSine& oscA, FeedbackSine& oscB,
                            const TanhShaperParams& shaper, float* rawA, float* rawB, ShaperTerms& termsA,
                            ShaperTerms& termsB, bool useAvx2);

} // namespace fennrow
