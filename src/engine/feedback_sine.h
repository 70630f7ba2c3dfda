// A sine oscillator whose phase is bent by its own recent output; the
// feedback amount turns a pure sine into a brighter, saw-like wave.
#pragma once

// External inline functions: before avx2_target_begin.h in an AVX2 file.
#if defined(FENNROW_AVX2_TARGET)
#error "include this header before avx2_target_begin.h"
#endif

#include "engine/dsp_constants.h"
#include "maths/float_functions.h"

#include <cmath>

namespace fennrow::engine {

struct FeedbackSine {
    double phase = 0.0; // cycles, [0, 1) while the increment stays below 1
    float y1 = 0.0f;
    float y2 = 0.0f;
};

// The parts of a step: the phase moves on by `increment` cycles; the
// argument of the sine adds the phase modulation, the mean of the last two
// outputs, which keeps the feedback loop from ringing at Nyquist; the output
// goes into the history.
inline void advanceFeedbackPhase(FeedbackSine& osc, double increment) {
    osc.phase += increment;
    if (osc.phase >= 1.0) osc.phase -= 1.0;
}

inline float feedbackArgument(const FeedbackSine& osc, float feedback) {
    return static_cast<float>(osc.phase) * 2.0f * kPi32 + (osc.y1 + osc.y2) * (feedback * 0.5f);
}

inline void pushFeedbackOutput(FeedbackSine& osc, float out) {
    osc.y2 = osc.y1;
    osc.y1 = out;
}

// One step of `increment` cycles.
inline float stepFeedbackSine(FeedbackSine& osc, double increment, float feedback) {
    advanceFeedbackPhase(osc, increment);
    const float out = maths::sinf(feedbackArgument(osc, feedback));
    pushFeedbackOutput(osc, out);
    return out;
}

inline void resetFeedbackSine(FeedbackSine& osc) { osc = FeedbackSine{}; }

} // namespace fennrow::engine
