// The AVX2 lanes of sinfBlock: four doubles to a register. Every shared
// header with external inline functions is included before the target is
// set; what follows it has internal linkage.
#include "maths/simd.h"

#if FENNROW_SIMD

#include "maths/float_functions.h"
#include "maths/trig_reduction.h"

#include <immintrin.h>

#include "maths/avx2_target_begin.h"

#include "maths/float_lanes_avx2.h"
#include "maths/sin_block_lanes.h"

namespace fennrow::maths::detail {

void sinfBlockAvx2(const float* in, float* out, int count) {
    estimateBlock<Avx2FloatLanes, sinEstimateLanes<Avx2FloatLanes>, sinf>(in, out, count);
}

} // namespace fennrow::maths::detail

#include "maths/avx2_target_end.h"

#endif
