#include "engine/modulation.h"

#include "engine/dsp_constants.h"
#include "maths/float_functions.h"

#include <cmath>

namespace fennrow::engine {

namespace {

constexpr float kSqrt3 = 1.7320508f;
constexpr float kHalfSqrt3 = 0.8660254f;
constexpr double kGolden = 1.618033988749895;
constexpr double kGoldenSquared = 2.618033988749895;
constexpr double kBarsPerBeat = 0.25; // a bar is always four beats
constexpr float kArcSmoothingSeconds = 0.1f;
constexpr float kControlRateFactor = 0.015625f; // one tick per 64 samples
constexpr float kShapeArcScale = 0.58f;

// How far an arc at 0 lowers its target, per unit of arc amount times depth.
constexpr float kToneArcReach = 0.4f;
constexpr float kDriveArcReach = 0.175f;
constexpr float kMotionArcReach = 0.3f;
constexpr float kSpreadArcReach = 0.5f;

float clampUnit(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Fractional part in double; a position too large to have one reads 0.
double fractionalPart(double x) {
    const double f = x - std::floor(x);
    return std::isfinite(f) ? f : 0.0;
}

float raisedCosine(double cycles) {
    return 0.5f - 0.5f * maths::cosf(kTwoPi32 * static_cast<float>(fractionalPart(cycles)));
}

// Three raised cosines with periods of 1, 1.618 and 2.618 cycles, mapped to
// [-1, 1] and scaled by the drift amount: a wander that never repeats.
float driftTerm(double cycles, float drift) {
    const float sum =
        raisedCosine(cycles / kGolden) + raisedCosine(cycles) + raisedCosine(cycles / kGoldenSquared);
    return (sum / 3.0f - 0.5f) * kSqrt3 / kHalfSqrt3 * drift;
}

float driftAmount(float drift) { return clampUnit(drift, 0.0f, 1.0f); }

// The drawn part of an arc, weighed against a drift of `delta`. A drawn arc
// is read within [-1, 1]: documents may carry any finite point, and a drive,
// motion or spread arc far outside that range would push the voice into
// overflow. Curves inside the range read exactly as drawn.
float drawnArc(const float* curve, double cycles, float delta) {
    return clampUnit(curveLookup(curve, cyclePhase(cycles)), -1.0f, 1.0f) * (1.0f - delta);
}

struct MotionPoint {
    float tone = 0.5f;  // mT
    float drive = 1.0f; // mD
    float level = 1.0f; // mL
};

struct ArcTargets {
    float shape = 0.0f;
    float tone = 0.0f;
    float drive = 0.0f;
    float motion = 0.0f;
    float spread = 0.0f;
};

// A slice with no usable song position plays as if the transport stood.
bool transportRuns(const BlockTiming& timing) { return timing.playing && std::isfinite(timing.beatPosition); }

MotionPoint motionPoint(const SoundParams& p, const CurveSet& curves, const BlockTiming& timing) {
    MotionPoint m;
    if (!transportRuns(timing) || !(p.motionRate > 0.0f)) return m;
    const float phase = cyclePhase(timing.beatPosition / static_cast<double>(p.motionRate));
    m.tone = curveLookup(curves.points[kCurveMotion], phase) * 0.5f + 0.5f;
    m.drive = curveLookup(curves.points[kCurveMotionDrive], phase);
    m.level = curveLookup(curves.points[kCurveMotionLevel], phase);
    return m;
}

ArcTargets arcTargets(const SoundParams& p, const CurveSet& curves, const BlockTiming& timing) {
    ArcTargets t;
    if (!transportRuns(timing) || !(p.arcBars > 0.0f)) return t;
    const double cycles = timing.beatPosition * kBarsPerBeat / static_cast<double>(p.arcBars);
    // The drift is the same wander for every arc: taken once.
    const float delta = driftAmount(p.arcDrift);
    const float drift = driftTerm(cycles, delta);
    float a[5];
    for (int k = 0; k < 5; ++k) a[k] = drawnArc(curves.points[kCurveArcShape + k], cycles, delta) + drift;
    const float amount = p.arcAmount;
    t.shape = a[0] * kHalfSqrt3 * (amount * p.arcShapeDepth) * kShapeArcScale;
    t.tone = a[1] * (amount * p.arcToneDepth);
    t.drive = a[2] * (amount * p.arcDriveDepth);
    t.motion = a[3] * (amount * p.arcMotionDepth);
    t.spread = a[4] * (amount * p.arcSpreadDepth);
    return t;
}

} // namespace

float cyclePhase(double cycles) {
    float phase = static_cast<float>(cycles - std::floor(cycles));
    phase = phase - floorf(phase); // a fraction that rounds up to 1.0f reads 0
    return phase >= 0.0f && phase < 1.0f ? phase : 0.0f;
}

float curveLookup(const float* curve, float phase) {
    const float p = phase * static_cast<float>(kCurvePoints);
    // Written so that a NaN lands on point 0 rather than in the conversion.
    const float last = static_cast<float>(kCurvePoints - 1);
    const int i = p > 0.0f ? static_cast<int>(p < last ? p : last) : 0;
    const int j = (i + 1) % kCurvePoints;
    return curve[i] + (curve[j] - curve[i]) * (p - static_cast<float>(i));
}

float arcValue(const float* curve, double cycles, float drift) {
    const float delta = driftAmount(drift);
    return drawnArc(curve, cycles, delta) + driftTerm(cycles, delta);
}

ModulatedValues evaluateModulation(const SoundParams& p, const CurveSet& curves, const BlockTiming& timing,
                                   float sampleRate, ArcSmoothing& arcs) {
    const MotionPoint m = motionPoint(p, curves, timing);
    const ArcTargets t = arcTargets(p, curves, timing);

    const float c =
        cachedOnePoleCoefficient(arcs.coefficient, kArcSmoothingSeconds, sampleRate * kControlRateFactor);
    const float targets[kArcSmootherCount] = {t.tone, t.drive, t.motion, t.spread};
    for (int k = 0; k < kArcSmootherCount; ++k) {
        OnePole& s = arcs.smoothers[k];
        if (!arcs.primed) s.value = targets[k];
        s.coefficient = c;
        stepOnePole(s, targets[k]);
    }
    arcs.primed = true;
    const float aT = arcs.smoothers[kArcTone].value;
    const float aD = arcs.smoothers[kArcDrive].value;
    const float aM = arcs.smoothers[kArcMotion].value;
    const float aS = arcs.smoothers[kArcSpread].value;

    const float amount = p.arcAmount;
    const float motion = p.motion * (1.0f - (amount * p.arcMotionDepth - aM) * kMotionArcReach);
    ModulatedValues v;
    v.toneDepth = motion * p.motionToneDepth;
    v.tone = (m.tone - 0.5f) * v.toneDepth + p.tone * (1.0f - (amount * p.arcToneDepth - aT) * kToneArcReach);
    v.drive = (1.0f - (1.0f - clampUnit(m.drive, -1.0f, 1.0f)) * (motion * p.motionDriveDepth * 0.5f)) *
              (p.drive * (1.0f - (amount * p.arcDriveDepth - aD) * kDriveArcReach));
    v.level = 1.0f - (1.0f - clampUnit(m.level, -1.0f, 1.0f)) * (motion * p.motionLevelDepth * 0.5f);
    v.spread = p.spread * (1.0f - (amount * p.arcSpreadDepth - aS) * kSpreadArcReach);
    v.shape = p.shape + t.shape;
    return v;
}

} // namespace fennrow::engine
