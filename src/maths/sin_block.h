// The forms of sinfBlock, one for each instruction set (the AVX2 one in
// sin_block_avx2.cpp), and sinfBlock on a chosen path, so that the
// tests can check each against the scalar sinf whatever the processor
// picks.
#pragma once

#include "maths/simd.h"

namespace fennrow::maths {

namespace scalar {
FloatBlockForm sinfBlock;
} // namespace scalar

#if FENNROW_SIMD
namespace sse2 {
FloatBlockForm sinfBlock;
} // namespace sse2

namespace avx2 {
FloatBlockForm sinfBlock;
} // namespace avx2
#endif

// sinfBlock on `path`, which must be available (simdPathAvailable).
void sinfBlock(SimdPath path, const float* in, float* out, int count);

} // namespace fennrow::maths
