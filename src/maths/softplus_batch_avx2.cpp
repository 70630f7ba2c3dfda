// The AVX2 forms of the batched exp and log1p, four lanes at a time, with
// the hardware's gathers for the tables and FMA for exact products
// (lanes_avx2.h). Every shared header with external inline functions is
// included before the target is set; the lanes headers after it.
#include "maths/softplus_batch.h"

#if FENNROW_SIMD

#include "maths/double_arith.h"
#include "maths/double_tables.h"
#include "maths/exp_double.h"
#include "maths/exp_series.h"
#include "maths/log1p_double.h"

#include <cstdint>
#include <cstring>
#include <immintrin.h>

#include "maths/avx2_target_begin.h"

#include "maths/lanes_avx2.h"
#include "maths/softplus_batch_lanes.h"

namespace fennrow::maths {

void avx2::expBatch(const double* x, double* out, int count) { expBlock<DoubleLanes>(x, out, count); }
void avx2::log1pBatch(const double* x, double* out, int count) { log1pBlock<DoubleLanes>(x, out, count); }
void avx2::log1pExpBatch(const double* x, double* out, int count) {
    log1pExpBlock<DoubleLanes>(x, out, count);
}

} // namespace fennrow::maths

#include "maths/avx2_target_end.h"

#endif
