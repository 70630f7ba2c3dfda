// A sine oscillator whose phase is bent by its own recent output; the
// feedback amount turns a pure sine into a brighter, saw-like wave.
#pragma once

#include "engine/dsp_constants.h"
#include "maths/float_functions.h"
#include "maths/sine_pair.h"

#include <cmath>

namespace fennrow {

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

// One step of two independent oscillators, their sines taken together: the
// same results as a stepFeedbackSine on each. Inlined, so that a caller
// holding the oscillators in locals keeps the chain from output to next
// argument in registers.
inline __attribute__((always_inline)) void stepFeedbackSinePair(FeedbackSine& a, FeedbackSine& b,
                                                                double incrementA, double incrementB,
                                                                float feedback, float& outA, float& outB) {
    advanceFeedbackPhase(a, incrementA);
    advanceFeedbackPhase(b, incrementB);
    // Through locals: the outputs may live in memory the compiler must
    // otherwise read back before the next argument.
    float sinA, sinB;
    maths::sinfPair(feedbackArgument(a, feedback), feedbackArgument(b, feedback), sinA, sinB);
    pushFeedbackOutput(a, sinA);
    pushFeedbackOutput(b, sinB);
    outA = sinA;
    outB = sinB;
}

inline void resetFeedbackSine(FeedbackSine& osc) { osc = FeedbackSine{}; }

} // namespace fennrow
