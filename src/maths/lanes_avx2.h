// The lanes of the AVX2 forms, for every routine that has one: four doubles
// (or four 64-bit integers) to a register, the conversions and rounding
// tests in single instructions, the hardware's gathers for the tables and
// FMA for exact products. FMA serves only for those: a b - RN(a b) is the
// same number whether Dekker's algorithm or one fused operation computes
// it, so the estimates' bounds hold unchanged. The engine's AVX2 forms take
// their widths from here.
#pragma once

#include "maths/simd.h"

#if FENNROW_SIMD

#if !defined(FENNROW_AVX2_TARGET)
#error "AVX2 code: include this header after avx2_target_begin.h"
#endif

#include "maths/exp2_block_lanes.h"
#include "maths/lane_block.h"
#include "maths/lane_masks.h"
#include "maths/softplus_batch_lanes.h"

#include <cstdint>
#include <immintrin.h>

namespace fennrow::maths::avx2 {

typedef double Doubles __attribute__((vector_size(32)));
typedef std::uint64_t Bits __attribute__((vector_size(32)));

inline constexpr int kDoubleLanes = 4;
inline constexpr int kFloatLanes = 8;

// sinfBlock's lanes (estimateBlock).
struct FloatBlockLanes {
    using D = Doubles;
    using U = Bits;
    static constexpr int kLanes = kDoubleLanes;
    static FENNROW_ALWAYS_INLINE D load(const float* in) { return (D)_mm256_cvtps_pd(_mm_loadu_ps(in)); }
    static FENNROW_ALWAYS_INLINE void store(float* out, D y) {
        _mm_storeu_ps(out, _mm256_cvtpd_ps((__m256d)y));
    }
    static FENNROW_ALWAYS_INLINE unsigned decided(U usable, D low, D high) {
        const __m128 same = _mm_cmpeq_ps(_mm256_cvtpd_ps((__m256d)low), _mm256_cvtpd_ps((__m256d)high));
        return static_cast<unsigned>(_mm_movemask_ps(same) & _mm256_movemask_pd((__m256d)usable));
    }
};

// exp2fBlock's: the table read by a gather.
struct Exp2BlockLanes : FloatBlockLanes {
    static FENNROW_ALWAYS_INLINE D table(U j) {
        return (D)_mm256_i64gather_pd(&kExp2Table[0][0], (__m256i)(j << 1), 8);
    }
};

// The batched exp and log1p's.
struct DoubleLanes : VectorLanes<Doubles, Bits, kDoubleLanes> {
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

// DoubleLanes over two steps of each of two streams of floats (the
// feedback oscillators' A and B), in one group: A's two, then B's.
struct TwoStreamLanes : DoubleLanes {
    static D loadSteps(const float* a, const float* b, int) {
        const __m128 x =
            _mm_castpd_ps(_mm_unpacklo_pd(_mm_castps_pd(_mm_loadl_pi(_mm_setzero_ps(), (const __m64*)a)),
                                          _mm_castps_pd(_mm_loadl_pi(_mm_setzero_ps(), (const __m64*)b))));
        return D(_mm256_cvtps_pd(x));
    }
    static void storeSteps(D v, double* a, double* b, int) {
        _mm_storeu_pd(a, _mm256_castpd256_pd128(__m256d(v)));
        _mm_storeu_pd(b, _mm256_extractf128_pd(__m256d(v), 1));
    }
};

} // namespace fennrow::maths::avx2

#endif
