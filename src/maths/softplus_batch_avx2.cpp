// The batched loops compiled for AVX2 and FMA, four lanes at a time, with the
// hardware's gathers for the tables. FMA serves only for exact products: a b
// - RN(a b) is the same number whether Dekker's algorithm or one fused
// operation computes it, so the kernels' bounds hold unchanged. Only this
// file is built for these instructions, and only its own (internal)
// functions get the target: every shared header with external inline
// functions is included before.
#if (defined(__x86_64__) || defined(_M_X64)) && !defined(FENNROW_NO_SIMD)

#include "maths/double_arith.h"
#include "maths/double_tables.h"
#include "maths/exp_double.h"
#include "maths/log1p_double.h"

#include <cstdint>
#include <cstring>
#include <immintrin.h>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,fma"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,fma")
#endif

#include "maths/softplus_batch_lanes.h"

namespace fennrow::maths {

namespace {
typedef double Avx2Double __attribute__((vector_size(32)));
typedef std::uint64_t Avx2Bits __attribute__((vector_size(32)));

struct Avx2Lanes : VectorLanes<Avx2Double, Avx2Bits, 4> {
    static void expTable(U j, D& hi, D& lo) {
        const __m256i at = (__m256i)(j << 1);
        hi = (D)_mm256_i64gather_pd(&kExp2Table[0][0], at, 8);
        lo = (D)_mm256_i64gather_pd(&kExp2Table[0][1], at, 8);
    }
    static void logTable(U i, D& c, D& hi, D& lo) {
        const __m256i at = (__m256i)((i << 1) + i);
        c = (D)_mm256_i64gather_pd(&kLogTable[0][0], at, 8);
        hi = (D)_mm256_i64gather_pd(&kLogTable[0][1], at, 8);
        lo = (D)_mm256_i64gather_pd(&kLogTable[0][2], at, 8);
    }
    static bool all(U m) { return _mm256_movemask_pd((__m256d)m) == 15; }
    static DD<D> product(D a, D b) {
        const D p = a * b;
        return {p, (D)_mm256_fmsub_pd((__m256d)a, (__m256d)b, (__m256d)p)};
    }
};
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
