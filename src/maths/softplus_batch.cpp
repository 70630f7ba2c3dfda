#include "maths/softplus_batch.h"

#include "maths/exp_double.h"
#include "maths/log1p_double.h"

#if FENNROW_SIMD
#include "maths/softplus_batch_lanes.h"
#endif

namespace fennrow::maths {

#if FENNROW_SIMD
// In softplus_batch_avx2.cpp, compiled for AVX2.
void expBlockAvx2(const double* x, double* out, int count);
void log1pBlockAvx2(const double* x, double* out, int count);
void log1pExpBlockAvx2(const double* x, double* out, int count);

namespace {
typedef double Sse2Double __attribute__((vector_size(16)));
typedef std::uint64_t Sse2Bits __attribute__((vector_size(16)));
using Sse2Lanes = VectorLanes<Sse2Double, Sse2Bits, 2>;
} // namespace
#endif

namespace {

struct BatchFunctions {
    void (*exp)(const double*, double*, int);
    void (*log1p)(const double*, double*, int);
    void (*log1pExp)(const double*, double*, int);
};

void expScalar(const double* x, double* out, int count) {
    for (int i = 0; i < count; ++i) out[i] = exp(x[i]);
}
void log1pScalar(const double* x, double* out, int count) {
    for (int i = 0; i < count; ++i) out[i] = log1p(x[i]);
}
void log1pExpScalar(const double* x, double* out, int count) {
    for (int i = 0; i < count; ++i) out[i] = log1p(exp(x[i]));
}

// Indexed by SimdPath.
constexpr BatchFunctions kBatchFunctions[] = {
    {expScalar, log1pScalar, log1pExpScalar},
#if FENNROW_SIMD
    {expBlock<Sse2Lanes>, log1pBlock<Sse2Lanes>, log1pExpBlock<Sse2Lanes>},
    {expBlockAvx2, log1pBlockAvx2, log1pExpBlockAvx2},
#else
    {expScalar, log1pScalar, log1pExpScalar},
    {expScalar, log1pScalar, log1pExpScalar},
#endif
};

const BatchFunctions& functionsFor(SimdPath path) { return kBatchFunctions[static_cast<int>(path)]; }

} // namespace

void log1pExpBatch(const double* x, double* out, int count) {
    functionsFor(bestSimdPath()).log1pExp(x, out, count);
}

void log1pExpBatch(SimdPath path, const double* x, double* out, int count) {
    functionsFor(path).log1pExp(x, out, count);
}

void expBatch(SimdPath path, const double* x, double* out, int count) {
    functionsFor(path).exp(x, out, count);
}

void log1pBatch(SimdPath path, const double* x, double* out, int count) {
    functionsFor(path).log1p(x, out, count);
}

} // namespace fennrow::maths
