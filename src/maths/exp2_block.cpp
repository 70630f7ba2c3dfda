// exp2f on several values at once: two lanes to an SSE2 register here, four
// to an AVX2 one in exp2_block_avx2.cpp, with exp2f's bits in every lane.
#include "maths/exp2_block.h"

#include "maths/float_functions.h"

#if FENNROW_SIMD
#include "maths/exp2_block_lanes.h"
#endif

namespace fennrow::maths {

namespace detail {

#if FENNROW_SIMD
void exp2fBlockAvx2(const float* in, float* out, int count); // exp2_block_avx2.cpp
#endif

namespace {

void exp2fBlockScalar(const float* in, float* out, int count) {
    for (int i = 0; i < count; ++i) out[i] = exp2f(in[i]);
}

#if FENNROW_SIMD
using Sse2Lanes = Exp2Lanes<Sse2Doubles, Sse2Bits, Sse2Floats, 2>;
#endif

// Indexed by SimdPath.
constexpr FloatBlockForm kForms[] = {
    exp2fBlockScalar,
#if FENNROW_SIMD
    estimateBlock<Sse2Lanes, exp2Estimate<Sse2Lanes>, exp2f>,
    exp2fBlockAvx2,
#else
    exp2fBlockScalar,
    exp2fBlockScalar,
#endif
};

} // namespace

FloatBlockForm exp2fBlockForm(SimdPath path) { return kForms[static_cast<int>(path)]; }

} // namespace detail

void exp2fBlock(const float* in, float* out, int count) {
    detail::exp2fBlockForm(bestSimdPath())(in, out, count);
}

} // namespace fennrow::maths
