// log1p(exp(x)) over blocks of doubles, two at a time with SSE2 or four with
// AVX2 and FMA (chosen at run time). Every element is exactly
// maths::log1p(maths::exp(x)): two correctly rounded steps, not a fused
// softplus, so the result has the same bits on every path and platform.
#pragma once

namespace fennrow::maths {

enum class BatchPath { Scalar, Sse2, Avx2 };

// The fastest path this processor runs.
BatchPath bestBatchPath();
bool batchPathAvailable(BatchPath path);

void log1pExpBatch(const double* x, double* out, int count);

// The same on a given path (which must be available), and the two steps
// alone; for tests and benchmarks.
void log1pExpBatch(BatchPath path, const double* x, double* out, int count);
void expBatch(BatchPath path, const double* x, double* out, int count);
void log1pBatch(BatchPath path, const double* x, double* out, int count);

} // namespace fennrow::maths
