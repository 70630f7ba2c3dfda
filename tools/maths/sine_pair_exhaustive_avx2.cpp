// The fused sine pair, built for AVX2 and FMA, for sine_pair_exhaustive.cpp.
#include "sine_pair_exhaustive.h"

#if FENNROW_SIMD

#include "maths/float_functions.h"
#include "maths/lane_masks.h"
#include "maths/trig_reduction.h"

#include "maths/avx2_target_begin.h"

#include "maths/sine_pair_fused.h"

void fusedPair(float a, float b, float& sinA, float& sinB) {
    fennrow::maths::sinfPair<fennrow::maths::FusedPairOps>(a, b, sinA, sinB);
}

int fusedDecided(__m128d x) {
    return fennrow::maths::sinePairEstimate<fennrow::maths::FusedPairOps>(x).decided;
}

#include "maths/avx2_target_end.h"

#endif
