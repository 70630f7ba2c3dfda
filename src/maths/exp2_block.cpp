// exp2f on several values at once: two lanes to an SSE2 register here, four
// to an AVX2 one in exp2_block_avx2.cpp, with exp2f's bits in every lane.
#include "maths/exp2_block.h"

#include "maths/float_functions.h"

#if FENNROW_SIMD
#include "maths/exp2_block_lanes.h"
#include "maths/lanes_sse2.h"
#endif

namespace fennrow::maths {

void scalar::exp2fBlock(const float* in, float* out, int count) {
    for (int i = 0; i < count; ++i) out[i] = exp2f(in[i]);
}

#if FENNROW_SIMD
void sse2::exp2fBlock(const float* in, float* out, int count) {
    estimateBlock<Exp2BlockLanes, exp2Estimate<Exp2BlockLanes>, exp2f>(in, out, count);
}
#endif

namespace {
constexpr SimdForms<FloatBlockForm> kForms = FENNROW_SIMD_FORMS(exp2fBlock);
} // namespace

void exp2fBlock(SimdPath path, const float* in, float* out, int count) { kForms[path](in, out, count); }

void exp2fBlock(const float* in, float* out, int count) { kForms[bestSimdPath()](in, out, count); }

} // namespace fennrow::maths
