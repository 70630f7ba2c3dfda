// The vector paths behind sinfBlock, visible to the tests so each can be
// checked against the scalar sinf whatever the processor picks.
#pragma once

namespace fennrow::maths::detail {

void sinfBlockScalar(const float* in, float* out, int count);
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(FENNROW_NO_SIMD)
#define FENNROW_MATHS_SSE2 1
void sinfBlockSse2(const float* in, float* out, int count);
#if defined(__GNUC__)
#define FENNROW_MATHS_AVX2 1
void sinfBlockAvx2(const float* in, float* out, int count);
#endif
#endif

// Whether this processor runs the AVX2 path.
bool processorHasAvx2();

} // namespace fennrow::maths::detail
