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

// One step of `increment` cycles. The phase modulation is the mean of the
// last two outputs, which keeps the feedback loop from ringing at Nyquist.
inline float stepFeedbackSine(FeedbackSine& osc, double increment, float feedback) {
    osc.phase += increment;
    if (osc.phase >= 1.0) osc.phase -= 1.0;
    const float out =
        maths::sinf(static_cast<float>(osc.phase) * 2.0f * kPi32 + (osc.y1 + osc.y2) * (feedback * 0.5f));
    osc.y2 = osc.y1;
    osc.y1 = out;
    return out;
}

// One step of two independent oscillators, their sines taken together: the
// same results as a stepFeedbackSine on each. Inlined, so that a caller
// holding the oscillators in locals keeps the chain from output to next
// argument in registers.
inline __attribute__((always_inline)) void stepFeedbackSinePair(FeedbackSine& a, FeedbackSine& b,
                                                                double incrementA, double incrementB,
                                                                float feedback, float& outA, float& outB) {
    a.phase += incrementA;
    if (a.phase >= 1.0) a.phase -= 1.0;
    b.phase += incrementB;
    if (b.phase >= 1.0) b.phase -= 1.0;
    const float half = feedback * 0.5f;
    maths::sinfPair(static_cast<float>(a.phase) * 2.0f * kPi32 + (a.y1 + a.y2) * half,
                    static_cast<float>(b.phase) * 2.0f * kPi32 + (b.y1 + b.y2) * half, outA, outB);
    a.y2 = a.y1;
    a.y1 = outA;
    b.y2 = b.y1;
    b.y1 = outB;
}

inline void resetFeedbackSine(FeedbackSine& osc) { osc = FeedbackSine{}; }

} // namespace fennrow
