// The vector paths behind exp2fBlock, visible to the tests so each can be
// checked against the scalar exp2f whatever the processor picks. The
// FENNROW_MATHS_SSE2 and FENNROW_MATHS_AVX2 switches are sin_block.h's.
#pragma once

#include "maths/sin_block.h"

namespace fennrow::maths::detail {

void exp2fBlockScalar(const float* in, float* out, int count);
#if FENNROW_MATHS_SSE2
void exp2fBlockSse2(const float* in, float* out, int count);
#if FENNROW_MATHS_AVX2
void exp2fBlockAvx2(const float* in, float* out, int count);
#endif
#endif

} // namespace fennrow::maths::detail
