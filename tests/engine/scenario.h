// Random but repeatable playing sessions: notes, parameter and curve
// changes, resets and slices of every length, with a transport that may
// misbehave. Two runs with the same options make the same calls, so two
// renderers can be compared sample for sample.
#pragma once

#include "engine/synth_engine.h"

#include <cstdint>
#include <vector>

namespace fennrow::test {

using RenderFunction = void (*)(engine::SynthEngine&, const engine::SoundParams&, const engine::CurveSet&,
                                const engine::BlockTiming&, float*, float*, uint32_t);

struct ScenarioOptions {
    uint32_t seed = 1;
    float sampleRate = 48000.0f;
    uint64_t frames = 48000;
    uint32_t longestSlice = 700;
    bool hostile = false; // NaN and infinite tempo and position, odd velocities
    bool monoSpread = false;
};

// Every parameter somewhere within its range, often at an end.
engine::SoundParams randomParams(uint32_t seed);

// Runs the session; every rendered frame is appended to left and right.
void runScenario(const ScenarioOptions& options, RenderFunction render, std::vector<float>& left,
                 std::vector<float>& right);

} // namespace fennrow::test
