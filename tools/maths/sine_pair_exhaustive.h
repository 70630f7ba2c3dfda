// The fused sine pair for sine_pair_exhaustive.cpp, in
// sine_pair_exhaustive_avx2.cpp, built for AVX2 and FMA: call only where
// the processor has both.
#pragma once

#include "maths/simd.h"

#if FENNROW_SIMD
#include <immintrin.h>

void fusedPair(float a, float b, float& sinA, float& sinB);
int fusedDecided(__m128d x);
#endif
