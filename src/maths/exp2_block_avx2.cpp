// The AVX2 form of exp2fBlock: four doubles to a register, the table read
// by the hardware's gather. Every shared header with external inline
// functions is included before the target is set; the lanes headers after
// it.
#include "maths/exp2_block.h"

#if FENNROW_SIMD

#include "maths/double_arith.h"
#include "maths/double_tables.h"
#include "maths/exp_double.h"
#include "maths/exp_series.h"
#include "maths/float_functions.h"
#include "maths/log1p_double.h"

#include <immintrin.h>

#include "maths/avx2_target_begin.h"

#include "maths/exp2_block_lanes.h"
#include "maths/lanes_avx2.h"

namespace fennrow::maths {

void avx2::exp2fBlock(const float* in, float* out, int count) {
    estimateBlock<Exp2BlockLanes, exp2Estimate<Exp2BlockLanes>, exp2f>(in, out, count);
}

} // namespace fennrow::maths

#include "maths/avx2_target_end.h"

#endif
