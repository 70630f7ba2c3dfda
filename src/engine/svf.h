// A trapezoidal state-variable filter (two integrators, zero-delay feedback).
// The owner supplies g = tan(pi * fc / sr) and k = 1 / Q.
#pragma once

#include "engine/flush.h"

namespace fennrow::engine {

struct Svf {
    float g = 0.0f;
    float k = 1.0f;
    float a1 = 0.0f;
    float a2 = 0.0f;
    float a3 = 0.0f;
    float ic1 = 0.0f;
    float ic2 = 0.0f;
};

struct SvfOutput {
    float low;
    float band;
};

inline void designSvf(Svf& f, float g, float k) {
    f.g = g;
    f.k = k;
    f.a1 = 1.0f / ((g + k) * g + 1.0f);
    f.a2 = g * f.a1;
    f.a3 = g * f.a2;
}

inline SvfOutput processSvf(Svf& f, float x) {
    const float t = x - f.ic2;
    const float band = f.a1 * f.ic1 + f.a2 * t;
    const float low = f.ic2 + f.a2 * f.ic1 + f.a3 * t;
    f.ic1 = flushTiny(2.0f * band - f.ic1);
    f.ic2 = flushTiny(2.0f * low - f.ic2);
    return SvfOutput{low, band};
}

inline float svfLowPass(Svf& f, float x) { return processSvf(f, x).low; }

inline float svfHighPass(Svf& f, float x) {
    const SvfOutput out = processSvf(f, x);
    return x - f.k * out.band - out.low;
}

} // namespace fennrow::engine
