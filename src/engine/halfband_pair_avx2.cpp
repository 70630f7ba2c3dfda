// The AVX2 form of the two layers' decimators: eight outputs to a register.
// See feedback_oscillators_avx2.cpp for the rule on includes.
#include "engine/halfband_decimator.h"
#include "maths/simd.h"

#if FENNROW_SIMD

#include "maths/double_arith.h"
#include "maths/double_tables.h"
#include "maths/exp_double.h"
#include "maths/exp_series.h"
#include "maths/log1p_double.h"

#include <cstring>

#include "maths/avx2_target_begin.h"

#include "engine/halfband_pair_lanes.h"
#include "maths/lanes_avx2.h"

namespace fennrow::engine {

void avx2::filterHalfbandPair(const HalfbandBlock& blockA, const HalfbandBlock& blockB,
                              const HalfbandTaps& taps, int count, float* outA, float* outB) {
    filterPairBlock<maths::avx2::kFloatLanes>(blockA, blockB, taps, count, outA, outB);
}

} // namespace fennrow::engine

#include "maths/avx2_target_end.h"

#endif
