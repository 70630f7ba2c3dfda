// The AVX2 lanes of exp2fBlock: four doubles to a register. Only the lanes'
// own (internal) functions take the target; every shared header with
// external inline functions is included before it.
#include "maths/exp2_block.h"

#if FENNROW_MATHS_AVX2

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
typedef float Avx2Floats __attribute__((vector_size(16)));

struct Avx2Decided {
    static inline __attribute__((always_inline)) unsigned mask(Avx2Bits inRange, Avx2Floats lo,
                                                               Avx2Floats hi) {
        return static_cast<unsigned>(_mm_movemask_ps(_mm_cmpeq_ps((__m128)lo, (__m128)hi)) &
                                     _mm256_movemask_pd((__m256d)inRange));
    }
};
} // namespace

void detail::exp2fBlockAvx2(const float* in, float* out, int count) {
    Exp2Lanes<Avx2Doubles, Avx2Bits, Avx2Floats, 4, Avx2Decided>::block(in, out, count);
}

} // namespace fennrow::maths

#include "maths/avx2_target_end.h"

#endif
