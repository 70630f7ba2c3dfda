// The batched loops compiled for AVX2 and FMA, four lanes at a time, with the
// hardware's gathers for the tables. FMA serves only for exact products: a b
// - RN(a b) is the same number whether Dekker's algorithm or one fused
// operation computes it, so the estimates' bounds hold unchanged. Only this
// file is built for these instructions, and only its own (internal)
// functions get the target: every shared header with external inline
// functions is included before.
#include "maths/simd.h"

#if FENNROW_SIMD

#include "maths/double_arith.h"
#include "maths/double_tables.h"
#include "maths/exp_double.h"
#include "maths/log1p_double.h"

#include <cstdint>
#include <cstring>
#include <immintrin.h>

#include "maths/avx2_target_begin.h"

#include "maths/softplus_batch_lanes.h"
#include "maths/softplus_lanes_avx2.h"

namespace fennrow::maths {

void expBlockAvx2(const double* x, double* out, int count) { expBlock<Avx2Lanes>(x, out, count); }
void log1pBlockAvx2(const double* x, double* out, int count) { log1pBlock<Avx2Lanes>(x, out, count); }
void log1pExpBlockAvx2(const double* x, double* out, int count) { log1pExpBlock<Avx2Lanes>(x, out, count); }

} // namespace fennrow::maths

#include "maths/avx2_target_end.h"

#endif
