// Tempo-locked motion curves and bar-length arcs: evaluated once per control
// tick from the song position, they give the values the sound generator uses
// in place of the raw tone, drive, level, spread and shape.
#pragma once

#include "engine/one_pole.h"
#include "engine/sound.h"

namespace fennrow::engine {

struct ModulatedValues {
    float toneDepth = 0.0f; // D
    float tone = 0.0f;      // T
    float drive = 0.0f;     // R
    float level = 1.0f;     // Q
    float spread = 0.0f;    // Z
    float shape = 0.0f;     // H
};

enum ArcSmoother : int { kArcTone = 0, kArcDrive = 1, kArcMotion = 2, kArcSpread = 3, kArcSmootherCount = 4 };

struct ArcSmoothing {
    OnePole smoothers[kArcSmootherCount];
    bool primed = false;
    OnePoleCoefficientCache coefficient;
};

// Position in cycles -> phase in [0, 1). Non-finite positions read phase 0.
float cyclePhase(double cycles);

// Linear interpolation between the 64 points; wraps from point 63 to 0.
float curveLookup(const float* curve, float phase);

// The arc value before depths: drawn curve blended with the golden-ratio
// drift; `cycles` is the arc position in cycles.
float arcValue(const float* curve, double cycles, float drift);

ModulatedValues evaluateModulation(const SoundParams& params, const CurveSet& curves,
                                   const BlockTiming& timing, float sampleRate, ArcSmoothing& arcs);

} // namespace fennrow::engine
