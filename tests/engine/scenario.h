// Random but repeatable playing sessions for the engine: notes, parameter
// and curve changes, resets and slices of every length, with a transport
// that sometimes misbehaves. Two runs with the same seed feed the engine the
// same calls, so different renderers can be compared sample for sample.
#pragma once

#include "engine/synth_engine.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace fennrow::testing {

using RenderFunction = std::function<void(SynthEngine&, const SoundParams&, const CurveSet&,
                                          const BlockTiming&, float*, float*, uint32_t)>;

struct ScenarioOptions {
    uint32_t seed = 1;
    float sampleRate = 48000.0f;
    uint64_t frames = 48000;
    uint32_t longestSlice = 700;
    bool hostileTransport = false; // NaN and infinite tempo and position, odd velocities
    bool keepSpreadZero = false;
};

// Every parameter somewhere within its range.
SoundParams randomParams(uint32_t seed);

// Runs the session and appends every rendered frame to left and right.
void runScenario(const ScenarioOptions& options, const RenderFunction& render, std::vector<float>& left,
                 std::vector<float>& right);

} // namespace fennrow::testing
