// The output stage: from the decimated layers and the sub's sines to the
// stereo output, advancing the envelopes, ramps and filters by `n` samples.
#pragma once

#include "engine/synth_engine.h"

#include <cstdint>

namespace fennrow::engine {

void outputStage(SynthEngine& e, const float* a, const float* b, const float* sub, float* left, float* right,
                 uint32_t n);

} // namespace fennrow::engine
