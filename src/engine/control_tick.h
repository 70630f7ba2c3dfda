// The control-rate update of the engine, run every 64 rendered samples:
// coefficients, modulation, envelope shape, drive, tone filter, spread and
// the parameter ramps.
#pragma once

#include "engine/synth_engine.h"

namespace fennrow::engine {

void controlTick(SynthEngine& engine, const SoundParams& params, const CurveSet& curves,
                 const BlockTiming& timing);

// Whether the render clock follows the song position, and where it stands.
struct SampleClock {
    bool clocked = false;
    double samplesPerBeat = 0.0;
    int64_t base = 0; // sample index of the slice's first frame
};

SampleClock sampleClock(float sampleRate, const BlockTiming& timing);

// The timing a control tick at `frame` of the slice sees.
BlockTiming tickTiming(const SampleClock& clock, const BlockTiming& timing, uint32_t frame);

} // namespace fennrow::engine
