// fennrow's own single-precision maths: every function returns the exact
// mathematical value rounded once to the nearest float (ties to even), with
// the special values (signed zeros, subnormals, infinities, NaN) as C defines
// them. Correct rounding is the one result every correct implementation
// agrees on, so a render is the same on every system and compiler.
//
// Results assume the default floating-point environment (round to nearest;
// flush-to-zero and denormals-are-zero modes change subnormal results).
#pragma once

namespace fennrow::maths {

float sinf(float x);
float cosf(float x);
float tanf(float x);
float expf(float x);
float exp2f(float x); // 2^x
float tanhf(float x);
float asinf(float x);

// 25^x: the one other base the engine raises to a power.
inline constexpr float kPow25Base = 25.0f;
float pow25f(float x);

// sinf of `count` values, in place or not; the same bits as sinf on each,
// with SSE2 or (where the processor has it) AVX2 doing several at once.
void sinfBlock(const float* in, float* out, int count);

// exp2f of `count` values likewise.
void exp2fBlock(const float* in, float* out, int count);

} // namespace fennrow::maths
