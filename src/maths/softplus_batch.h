// log1p(exp(x)) over blocks of doubles, two at a time with SSE2 or four with
// AVX2 and FMA (chosen at run time). Every element is exactly
// maths::log1p(maths::exp(x)): two correctly rounded steps, not a fused
// softplus, so the result has the same bits on every path and platform.
#pragma once

#include "maths/simd.h"

namespace fennrow::maths {

void log1pExpBatch(const double* x, double* out, int count);

// The same on a given path (which must be available), and the two steps
// alone; for tests and benchmarks.
void log1pExpBatch(SimdPath path, const double* x, double* out, int count);
void expBatch(SimdPath path, const double* x, double* out, int count);
void log1pBatch(SimdPath path, const double* x, double* out, int count);

// The forms of the three, one for each instruction set (the AVX2 ones in
// softplus_batch_avx2.cpp).
using DoubleBatchForm = void(const double* x, double* out, int count);

namespace scalar {
DoubleBatchForm expBatch, log1pBatch, log1pExpBatch;
} // namespace scalar

#if FENNROW_SIMD
namespace sse2 {
DoubleBatchForm expBatch, log1pBatch, log1pExpBatch;
} // namespace sse2

namespace avx2 {
DoubleBatchForm expBatch, log1pBatch, log1pExpBatch;
} // namespace avx2
#endif

} // namespace fennrow::maths
