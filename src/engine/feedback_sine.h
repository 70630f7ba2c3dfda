// A sine oscillator whose phase is bent by its own recent output; the
// feedback amount turns a pure sine into a brighter, saw-like wave.
#pragma once

#include "engine/dsp_constants.h"

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
        sinf(static_cast<float>(osc.phase) * 2.0f * kPi32 + (osc.y1 + osc.y2) * (feedback * 0.5f));
    osc.y2 = osc.y1;
    osc.y1 = out;
    return out;
}

inline void resetFeedbackSine(FeedbackSine& osc) { osc = FeedbackSine{}; }

} // namespace fennrow
