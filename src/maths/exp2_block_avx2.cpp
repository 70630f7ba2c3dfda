// The AVX2 lanes of exp2fBlock: four doubles to a register. Only the lanes'
// own (internal) functions take the target; every shared header with
// external inline functions is included before it.
#include "maths/exp2_block.h"

#if FENNROW_MATHS_AVX2

#include "maths/double_tables.h"
#include "maths/exp_kernel.h"
#include "maths/float_functions.h"

#include <cstdint>
#include <cstring>
#include <immintrin.h>

#include "maths/avx2_target_begin.h"

#include "maths/exp2_block_lanes.h"

namespace fennrow::maths {

namespace {
typedef double Avx2Doubles __attribute__((vector_size(32)));
typedef std::uint64_t Avx2Bits __attribute__((vector_size(32)));

struct Avx2Lanes {
    using D = Avx2Doubles;
    using U = Avx2Bits;
    static constexpr int kLanes = 4;
    static inline __attribute__((always_inline)) D load(const float* in) {
        return (D)_mm256_cvtps_pd(_mm_loadu_ps(in));
    }
    static inline __attribute__((always_inline)) void store(float* out, D y) {
        _mm_storeu_ps(out, _mm256_cvtpd_ps((__m256d)y));
    }
    static inline __attribute__((always_inline)) D table(U j) {
        return (D)_mm256_i64gather_pd(&kExp2Table[0][0], (__m256i)(j << 1), 8);
    }
    static inline __attribute__((always_inline)) unsigned decided(U inRange, D lo, D hi) {
        const __m128 same = _mm_cmpeq_ps(_mm256_cvtpd_ps((__m256d)lo), _mm256_cvtpd_ps((__m256d)hi));
        return static_cast<unsigned>(_mm_movemask_ps(same) & _mm256_movemask_pd((__m256d)inRange));
    }
};
} // namespace

void detail::exp2fBlockAvx2(const float* in, float* out, int count) { exp2Block<Avx2Lanes>(in, out, count); }

} // namespace fennrow::maths

#include "maths/avx2_target_end.h"

#endif
