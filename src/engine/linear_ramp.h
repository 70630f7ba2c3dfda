// A parameter ramp: set once per control tick, advanced once per sample, it
// walks to each new value in a fixed number of samples and lands on it
// exactly, however the steps round.
#pragma once

#include <cstdint>

namespace fennrow::engine {

inline constexpr int32_t kDefaultRampLength = 220;

struct LinearRamp {
    float current = 0.0f;
    float target = 0.0f;
    float step = 0.0f;
    int32_t remaining = 0;
    float lastInput = 0.0f;
    int32_t length = kDefaultRampLength;
    bool primed = false;
};

inline void setRamp(LinearRamp& ramp, float v) {
    if (!(v == ramp.lastInput)) { // NaN counts as a change
        ramp.lastInput = v;
        if (ramp.length > 0 && !(v == ramp.current)) {
            ramp.remaining = ramp.length;
            ramp.step = (v - ramp.current) / static_cast<float>(ramp.length);
        } else {
            ramp.current = v;
            ramp.step = 0.0f;
            ramp.remaining = 0;
        }
        ramp.target = v;
    }
    if (!ramp.primed) { // the first value after a reset is taken at once
        ramp.current = v;
        ramp.target = v;
        ramp.step = 0.0f;
        ramp.remaining = 0;
        ramp.primed = true;
    }
}

inline float advanceRamp(LinearRamp& ramp) {
    if (ramp.remaining > 0) {
        --ramp.remaining;
        ramp.current += ramp.step;
        if (ramp.remaining == 0) ramp.current = ramp.target;
    }
    return ramp.current;
}

} // namespace fennrow::engine
