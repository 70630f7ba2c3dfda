// The AVX2 form of sinfBlock: four doubles to a register. Every shared
// header with external inline functions is included before the target is
// set; the lanes headers after it.
#include "maths/sin_block.h"

#if FENNROW_SIMD

#include "maths/double_arith.h"
#include "maths/double_tables.h"
#include "maths/exp_double.h"
#include "maths/exp_series.h"
#include "maths/float_functions.h"
#include "maths/log1p_double.h"
#include "maths/trig_reduction.h"

#include <immintrin.h>

#include "maths/avx2_target_begin.h"

#include "maths/lanes_avx2.h"
#include "maths/sin_block_lanes.h"

namespace fennrow::maths {

void avx2::sinfBlock(const float* in, float* out, int count) {
    estimateBlock<FloatBlockLanes, sinEstimateLanes<FloatBlockLanes>, sinf>(in, out, count);
}

} // namespace fennrow::maths

#include "maths/avx2_target_end.h"

#endif
