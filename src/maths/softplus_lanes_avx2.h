// The AVX2 and FMA lanes of the batched exp and log1p: four doubles, the
// hardware's gathers for the tables, FMA for exact products. Include it only
// where these instructions are the target (after the target pragma, see
// softplus_batch_avx2.cpp), like softplus_batch_lanes.h, whose templates it
// completes; everything here has internal linkage.
#pragma once

#include "maths/softplus_batch_lanes.h"

#include <immintrin.h>

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
    static bool all(U m) { return _mm256_movemask_pd((__m256d)m) == kFourLanesSet; }
    static DD<D> product(D a, D b) {
        const D p = a * b;
        return {p, (D)_mm256_fmsub_pd((__m256d)a, (__m256d)b, (__m256d)p)};
    }
};
} // namespace

// log1p(exp(x)) of four lanes: the same bits as the scalar functions.
FENNROW_ALWAYS_INLINE void log1pExpFour(const double* x, double* out) {
    const Avx2Lanes::D y = expLanes<Avx2Lanes>(Avx2Lanes::load(x), out);
    log1pLanes<Avx2Lanes>(y, out);
}

} // namespace fennrow::maths
