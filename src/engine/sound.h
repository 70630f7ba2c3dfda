// The records a whole sound is made of: the 23 parameter values in the
// engine's slot order, the eight motion and arc curves, and the pair of them
// that the main thread hands to the audio thread in one piece.
#pragma once

#include <cstddef>

namespace fennrow::engine {

// The 23 sound parameters as 32-bit floats, in slot order. The slot order is
// not the parameter table's order: the motion depths follow motionRate, and
// glide, legato, spread and pluck come before the arc parameters.
struct SoundParams {
    float weight = 0.6f;
    float drive = 0.65f;
    float tone = 0.5f;
    float punch = 0.3f;
    float punchTime = 0.06f;
    float shape = 0.4f;
    float motion = 0.0f;
    float motionRate = 1.0f;
    float motionToneDepth = 1.0f;
    float motionDriveDepth = 0.0f;
    float motionLevelDepth = 0.0f;
    float glide = 0.05f;
    float legato = 1.0f;
    float spread = 0.0f;
    float pluck = 0.0f;
    float arcAmount = 0.0f;
    float arcBars = 8.0f;
    float arcDrift = 1.0f;
    float arcShapeDepth = 1.0f;
    float arcToneDepth = 1.0f;
    float arcDriveDepth = 1.0f;
    float arcMotionDepth = 1.0f;
    float arcSpreadDepth = 0.0f;
};

inline constexpr int kSoundParamCount = 23;
static_assert(sizeof(SoundParams) == kSoundParamCount * sizeof(float));

// Slot number -> member, so tables can address a parameter by its slot.
inline constexpr float SoundParams::*kSoundParamSlots[kSoundParamCount] = {
    &SoundParams::weight,
    &SoundParams::drive,
    &SoundParams::tone,
    &SoundParams::punch,
    &SoundParams::punchTime,
    &SoundParams::shape,
    &SoundParams::motion,
    &SoundParams::motionRate,
    &SoundParams::motionToneDepth,
    &SoundParams::motionDriveDepth,
    &SoundParams::motionLevelDepth,
    &SoundParams::glide,
    &SoundParams::legato,
    &SoundParams::spread,
    &SoundParams::pluck,
    &SoundParams::arcAmount,
    &SoundParams::arcBars,
    &SoundParams::arcDrift,
    &SoundParams::arcShapeDepth,
    &SoundParams::arcToneDepth,
    &SoundParams::arcDriveDepth,
    &SoundParams::arcMotionDepth,
    &SoundParams::arcSpreadDepth,
};

inline float& slotValue(SoundParams& params, int slot) { return params.*kSoundParamSlots[slot]; }
inline float slotValue(const SoundParams& params, int slot) { return params.*kSoundParamSlots[slot]; }

// Eight curves of 64 points, curve-major. Three motion curves, then five arcs.
enum CurveIndex : int {
    kCurveMotion = 0,      // motion to tone
    kCurveMotionDrive = 1, // motion to drive
    kCurveMotionLevel = 2, // motion to level
    kCurveArcShape = 3,
    kCurveArcTone = 4,
    kCurveArcDrive = 5,
    kCurveArcMotion = 6,
    kCurveArcSpread = 7,
};

inline constexpr int kCurveCount = 8;
inline constexpr int kCurvePoints = 64;

struct CurveSet {
    float points[kCurveCount][kCurvePoints];
};
static_assert(sizeof(CurveSet) == 2048);

// The curves a fresh instance starts with: a negated cosine on the two motion
// curves, a rising ramp on the level curve, flat arcs. Computed in single
// precision so every build produces the same bits.
CurveSet defaultCurveSet();

// Single-precision curve shapes shared by the defaults and the factory sounds.
float negatedCosinePoint(int i);
float risingRampPoint(int i);

struct SoundSnapshot {
    SoundParams params;
    CurveSet curves;
};
static_assert(sizeof(SoundSnapshot) == 2140);

SoundSnapshot defaultSoundSnapshot();

// The musical timing of one rendered slice.
struct BlockTiming {
    double beatPosition = 0.0; // quarter notes at the slice's first frame
    float tempo = 120.0f;      // beats per minute
    bool playing = false;
};

} // namespace fennrow::engine
