// The lanes of the float block functions for AVX2: four doubles to a
// register, with the conversions and the rounding test in single
// instructions. Include it only after avx2_target_begin.h; internal linkage.
#pragma once

#include "maths/lane_block.h"

#include <cstdint>
#include <immintrin.h>

namespace fennrow::maths {
namespace {

typedef double Avx2Doubles __attribute__((vector_size(32)));
typedef std::uint64_t Avx2Bits __attribute__((vector_size(32)));

struct Avx2FloatLanes {
    using D = Avx2Doubles;
    using U = Avx2Bits;
    static constexpr int kLanes = 4;
    static FENNROW_ALWAYS_INLINE D load(const float* in) { return (D)_mm256_cvtps_pd(_mm_loadu_ps(in)); }
    static FENNROW_ALWAYS_INLINE void store(float* out, D y) {
        _mm_storeu_ps(out, _mm256_cvtpd_ps((__m256d)y));
    }
    static FENNROW_ALWAYS_INLINE unsigned decided(U usable, D low, D high) {
        const __m128 same = _mm_cmpeq_ps(_mm256_cvtpd_ps((__m256d)low), _mm256_cvtpd_ps((__m256d)high));
        return static_cast<unsigned>(_mm_movemask_ps(same) & _mm256_movemask_pd((__m256d)usable));
    }
};

} // namespace
} // namespace fennrow::maths
