// The batched loops compiled for AVX2, four lanes at a time. Only this file
// is built for AVX2, and only its own (internal) functions get the target:
// every shared header with external inline functions is included before.
#if (defined(__x86_64__) || defined(_M_X64)) && !defined(FENNROW_NO_SIMD)

#include "maths/double_arith.h"
#include "maths/double_tables.h"
#include "maths/exp_double.h"
#include "maths/log1p_double.h"

#include <cstdint>
#include <cstring>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include "maths/softplus_batch_lanes.h"

namespace fennrow::maths {

namespace {
typedef double Avx2Double __attribute__((vector_size(32)));
typedef std::uint64_t Avx2Bits __attribute__((vector_size(32)));
using Avx2Lanes = VectorLanes<Avx2Double, Avx2Bits, 4>;
} // namespace

void expBlockAvx2(const double* x, double* out, int count) { expBlock<Avx2Lanes>(x, out, count); }
void log1pBlockAvx2(const double* x, double* out, int count) { log1pBlock<Avx2Lanes>(x, out, count); }
void log1pExpBlockAvx2(const double* x, double* out, int count) { log1pExpBlock<Avx2Lanes>(x, out, count); }

} // namespace fennrow::maths

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#endif
