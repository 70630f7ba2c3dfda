// The AVX2 lanes of exp2fBlock: four doubles to a register, the table read
// by the hardware's gather. Every shared header with external inline
// functions is included before the target is set; what follows it has
// internal linkage.
#include "maths/simd.h"

#if FENNROW_SIMD

#include "maths/double_tables.h"
#include "maths/exp_series.h"
#include "maths/float_functions.h"

#include <immintrin.h>

#include "maths/avx2_target_begin.h"

#include "maths/exp2_block_lanes.h"
#include "maths/float_lanes_avx2.h"

namespace fennrow::maths {

namespace {
struct Avx2Exp2Lanes : Avx2FloatLanes {
    static FENNROW_ALWAYS_INLINE D table(U j) {
        return (D)_mm256_i64gather_pd(&kExp2Table[0][0], (__m256i)(j << 1), 8);
    }
};
} // namespace

namespace detail {
void exp2fBlockAvx2(const float* in, float* out, int count) {
    estimateBlock<Avx2Exp2Lanes, exp2Estimate<Avx2Exp2Lanes>, exp2f>(in, out, count);
}
} // namespace detail

} // namespace fennrow::maths

#include "maths/avx2_target_end.h"

#endif
