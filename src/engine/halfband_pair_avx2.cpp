// The two layers' decimators compiled for AVX2: eight outputs to a register.
// See feedback_oscillators_avx2.cpp for the rule on includes.
#include "engine/halfband_decimator.h"
#include "maths/simd.h"

#if FENNROW_SIMD

#include <cstring>

#include "maths/avx2_target_begin.h"

#include "engine/halfband_pair_lanes.h"

namespace fennrow {

void filterHalfbandPairAvx2(const HalfbandBlock& blockA, const HalfbandBlock& blockB,
                            const HalfbandTaps& taps, int count, float* outA, float* outB) {
    filterPairBlock<8>(blockA, blockB, taps, count, outA, outB);
}

} // namespace fennrow

#include "maths/avx2_target_end.h"

#endif
