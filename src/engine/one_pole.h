// A one-pole smoother: moves a value a fixed fraction of the way to its
// target on every step. Used for glide, punch, velocity and the arc smoothers.
#pragma once

#include "engine/flush.h"
#include "engine/same_bits.h"
#include "maths/float_functions.h"

#include <cmath>

namespace fennrow::engine {

struct OnePole {
    float value = 0.0f;
    float coefficient = 1.0f;
};

// Coefficient for a time constant of `seconds` at `rate` updates per second.
// A zero, negative or NaN time jumps straight to the target.
inline float onePoleCoefficient(float seconds, float rate) {
    if (!(seconds > 0.0f)) return 1.0f;
    return 1.0f - maths::expf(-1.0f / (seconds * rate));
}

// onePoleCoefficient remembered for the last time and rate it was asked
// for: control ticks ask for the same ones again and again.
struct OnePoleCoefficientCache {
    float seconds = 0.0f;
    float rate = 0.0f;
    float coefficient = 1.0f;
    bool valid = false;
};

inline float cachedOnePoleCoefficient(OnePoleCoefficientCache& cache, float seconds, float rate) {
    if (!cache.valid || !sameBits(seconds, cache.seconds) || !sameBits(rate, cache.rate))
        cache = {seconds, rate, onePoleCoefficient(seconds, rate), true};
    return cache.coefficient;
}

inline float stepOnePole(OnePole& pole, float target) {
    pole.value = flushTiny((target - pole.value) * pole.coefficient + pole.value);
    return pole.value;
}

// The step without its flush: the same bits as stepOnePole for as long as
// flushLeaves holds for each value it gives.
inline float stepOnePoleUnflushed(OnePole& pole, float target) {
    pole.value = (target - pole.value) * pole.coefficient + pole.value;
    return pole.value;
}

inline bool flushLeaves(float v) { return sameBits(flushTiny(v), v); }

// Whether a step would leave the smoother as it is: then every later step
// toward the same target with the same coefficient does too.
inline bool onePoleHolds(const OnePole& pole, float target) {
    OnePole next = pole;
    stepOnePole(next, target);
    return sameBits(next.value, pole.value);
}

} // namespace fennrow::engine
