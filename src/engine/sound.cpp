#include "engine/sound.h"

#include "engine/dsp_constants.h"
#include "maths/float_functions.h"

#include <cmath>

namespace fennrow::engine {

float negatedCosinePoint(int i) { return -maths::cosf(static_cast<float>(i) * kTwoPi32 * 0.015625f); }

float risingRampPoint(int i) { return static_cast<float>(2 * i) / 63.0f - 1.0f; }

CurveSet defaultCurveSet() {
    CurveSet set{};
    for (int i = 0; i < kCurvePoints; ++i) {
        set.points[kCurveMotion][i] = negatedCosinePoint(i);
        set.points[kCurveMotionDrive][i] = negatedCosinePoint(i);
        set.points[kCurveMotionLevel][i] = risingRampPoint(i);
    }
    return set;
}

SoundSnapshot defaultSoundSnapshot() { return SoundSnapshot{SoundParams{}, defaultCurveSet()}; }

} // namespace fennrow::engine
