// The forms of exp2fBlock, one for each instruction set (the AVX2 one in
// exp2_block_avx2.cpp), and exp2fBlock on a chosen path, so that the
// tests can check each against the scalar exp2f whatever the processor
// picks.
#pragma once

#include "maths/simd.h"

namespace fennrow::maths {

namespace scalar {
FloatBlockForm exp2fBlock;
} // namespace scalar

#if FENNROW_SIMD
namespace sse2 {
FloatBlockForm exp2fBlock;
} // namespace sse2

namespace avx2 {
FloatBlockForm exp2fBlock;
} // namespace avx2
#endif

// exp2fBlock on `path`, which must be available (simdPathAvailable).
void exp2fBlock(SimdPath path, const float* in, float* out, int count);

} // namespace fennrow::maths
