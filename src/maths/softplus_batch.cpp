#include "maths/softplus_batch.h"

#include "maths/exp_double.h"
#include "maths/log1p_double.h"

#if FENNROW_SIMD
#include "maths/lanes_sse2.h"
#include "maths/softplus_batch_lanes.h"
#endif

namespace fennrow::maths {

void scalar::expBatch(const double* x, double* out, int count) {
    for (int i = 0; i < count; ++i) out[i] = exp(x[i]);
}
void scalar::log1pBatch(const double* x, double* out, int count) {
    for (int i = 0; i < count; ++i) out[i] = log1p(x[i]);
}
void scalar::log1pExpBatch(const double* x, double* out, int count) {
    for (int i = 0; i < count; ++i) out[i] = log1p(exp(x[i]));
}

#if FENNROW_SIMD
void sse2::expBatch(const double* x, double* out, int count) { expBlock<DoubleLanes>(x, out, count); }
void sse2::log1pBatch(const double* x, double* out, int count) { log1pBlock<DoubleLanes>(x, out, count); }
void sse2::log1pExpBatch(const double* x, double* out, int count) {
    log1pExpBlock<DoubleLanes>(x, out, count);
}
#endif

namespace {
constexpr SimdForms<DoubleBatchForm> kExpForms = FENNROW_SIMD_FORMS(expBatch);
constexpr SimdForms<DoubleBatchForm> kLog1pForms = FENNROW_SIMD_FORMS(log1pBatch);
constexpr SimdForms<DoubleBatchForm> kLog1pExpForms = FENNROW_SIMD_FORMS(log1pExpBatch);
} // namespace

void log1pExpBatch(const double* x, double* out, int count) { kLog1pExpForms[bestSimdPath()](x, out, count); }

void log1pExpBatch(SimdPath path, const double* x, double* out, int count) {
    kLog1pExpForms[path](x, out, count);
}

void expBatch(SimdPath path, const double* x, double* out, int count) { kExpForms[path](x, out, count); }

void log1pBatch(SimdPath path, const double* x, double* out, int count) { kLog1pForms[path](x, out, count); }

} // namespace fennrow::maths
