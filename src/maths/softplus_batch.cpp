#include "maths/softplus_batch.h"

#include "maths/exp_double.h"
#include "maths/log1p_double.h"

#if (defined(__x86_64__) || defined(_M_X64)) && !defined(FENNROW_NO_SIMD)
#define FENNROW_MATHS_X86 1
#include "maths/softplus_batch_lanes.h"
#else
#define FENNROW_MATHS_X86 0
#endif

namespace fennrow::maths {

#if FENNROW_MATHS_X86
// In softplus_batch_avx2.cpp, compiled for AVX2.
void expBlockAvx2(const double* x, double* out, int count);
void log1pBlockAvx2(const double* x, double* out, int count);
void log1pExpBlockAvx2(const double* x, double* out, int count);

namespace {
typedef double Sse2Double __attribute__((vector_size(16)));
typedef std::uint64_t Sse2Bits __attribute__((vector_size(16)));
using Sse2Lanes = VectorLanes<Sse2Double, Sse2Bits, 2>;

BatchPath detectBestPath() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") ? BatchPath::Avx2
                                                                           : BatchPath::Sse2;
}
} // namespace
#endif

#if FENNROW_MATHS_X86
namespace {
// Chosen while the library loads, so the audio thread never waits on a guard
// of a function-local static. A call made by another library's start-up
// before this runs sees Scalar, whose results are the same bits.
const BatchPath kBestPath = detectBestPath();
} // namespace
#endif

BatchPath bestBatchPath() {
#if FENNROW_MATHS_X86
    return kBestPath;
#else
    return BatchPath::Scalar;
#endif
}

bool batchPathAvailable(BatchPath path) {
    return path == BatchPath::Scalar ||
           (FENNROW_MATHS_X86 && (path == BatchPath::Sse2 || bestBatchPath() == path));
}

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

// Indexed by BatchPath.
constexpr BatchFunctions kBatchFunctions[] = {
    {expScalar, log1pScalar, log1pExpScalar},
#if FENNROW_MATHS_X86
    {expBlock<Sse2Lanes>, log1pBlock<Sse2Lanes>, log1pExpBlock<Sse2Lanes>},
    {expBlockAvx2, log1pBlockAvx2, log1pExpBlockAvx2},
#else
    {expScalar, log1pScalar, log1pExpScalar},
    {expScalar, log1pScalar, log1pExpScalar},
#endif
};

const BatchFunctions& functionsFor(BatchPath path) { return kBatchFunctions[static_cast<int>(path)]; }

} // namespace

void log1pExpBatch(const double* x, double* out, int count) {
    functionsFor(bestBatchPath()).log1pExp(x, out, count);
}

void log1pExpBatch(BatchPath path, const double* x, double* out, int count) {
    functionsFor(path).log1pExp(x, out, count);
}

void expBatch(BatchPath path, const double* x, double* out, int count) {
    functionsFor(path).exp(x, out, count);
}

void log1pBatch(BatchPath path, const double* x, double* out, int count) {
    functionsFor(path).log1p(x, out, count);
}

} // namespace fennrow::maths
