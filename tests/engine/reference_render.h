// A plain sample-by-sample rendering of the voice, written straight from the
// design: each sample computes every stage in turn, the shaper evaluates both
// antiderivatives, the frequency is recomputed every sample and the decimator
// runs pair by pair on its ring. The engine's chunked render must agree with
// it bit for bit.
#pragma once

#include "engine/synth_engine.h"

namespace fennrow::test {

void referenceRender(engine::SynthEngine& engine, const engine::SoundParams& params,
                     const engine::CurveSet& curves, const engine::BlockTiming& timing, float* left,
                     float* right, uint32_t frames);

} // namespace fennrow::test
