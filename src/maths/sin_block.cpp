// sinf on several values at once: sinf's own estimate, lane by lane, two
// doubles to an SSE2 register or four to an AVX2 one (sin_block_avx2.cpp).
#include "maths/sin_block.h"

#include "maths/float_functions.h"

#if FENNROW_SIMD
#include "maths/sin_block_lanes.h"
#endif

namespace fennrow::maths {

namespace detail {

#if FENNROW_SIMD
void sinfBlockAvx2(const float* in, float* out, int count); // sin_block_avx2.cpp
#endif

namespace {

void sinfBlockScalar(const float* in, float* out, int count) {
    for (int i = 0; i < count; ++i) out[i] = sinf(in[i]);
}

#if FENNROW_SIMD
using Sse2Lanes = FloatLanes<Sse2Doubles, Sse2Bits, Sse2Floats, 2>;
#endif

// Indexed by SimdPath.
constexpr FloatBlockForm kForms[] = {
    sinfBlockScalar,
#if FENNROW_SIMD
    estimateBlock<Sse2Lanes, sinEstimateLanes<Sse2Lanes>, sinf>,
    sinfBlockAvx2,
#else
    sinfBlockScalar,
    sinfBlockScalar,
#endif
};

} // namespace

FloatBlockForm sinfBlockForm(SimdPath path) { return kForms[static_cast<int>(path)]; }

} // namespace detail

void sinfBlock(const float* in, float* out, int count) {
    detail::sinfBlockForm(bestSimdPath())(in, out, count);
}

} // namespace fennrow::maths
