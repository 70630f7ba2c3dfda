// sinf on several values at once: sinf's own estimate, lane by lane, two
// doubles to an SSE2 register or four to an AVX2 one (sin_block_avx2.cpp).
#include "maths/sin_block.h"

#include "maths/float_functions.h"

#if FENNROW_SIMD
#include "maths/lanes_sse2.h"
#include "maths/sin_block_lanes.h"
#endif

namespace fennrow::maths {

void scalar::sinfBlock(const float* in, float* out, int count) {
    for (int i = 0; i < count; ++i) out[i] = sinf(in[i]);
}

#if FENNROW_SIMD
void sse2::sinfBlock(const float* in, float* out, int count) {
    estimateBlock<FloatBlockLanes, sinEstimateLanes<FloatBlockLanes>, sinf>(in, out, count);
}
#endif

namespace {
constexpr SimdForms<FloatBlockForm> kForms = FENNROW_SIMD_FORMS(sinfBlock);
} // namespace

void sinfBlock(SimdPath path, const float* in, float* out, int count) { kForms[path](in, out, count); }

void sinfBlock(const float* in, float* out, int count) { kForms[bestSimdPath()](in, out, count); }

} // namespace fennrow::maths
