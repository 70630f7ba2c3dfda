// A one-pole, one-zero high-pass at about 5 Hz that keeps offsets from the
// shaper's bias out of the output.
#pragma once

#include "engine/flush.h"

namespace fennrow::engine {

inline constexpr float kTenPi = 31.415928f;

struct DcBlocker {
    float previous = 0.0f;
    float y = 0.0f;
    float pole = 1.0f;
};

inline void prepareDcBlocker(DcBlocker& dc, float sampleRate) { dc.pole = 1.0f - kTenPi / sampleRate; }

inline float processDcBlocker(DcBlocker& dc, float x) {
    dc.y = flushTiny(dc.pole * dc.y + (x - dc.previous));
    dc.previous = x;
    return dc.y;
}

} // namespace fennrow::engine
