// The AVX2 form of the shaper's passes: four steps to a register. Every
// shared header with external inline functions is included before the
// target is set; the lanes headers after it.
#include "maths/simd.h"

#if FENNROW_SIMD

#include "engine/tanh_shaper.h"
#include "maths/double_arith.h"
#include "maths/double_tables.h"
#include "maths/exp_double.h"
#include "maths/exp_series.h"
#include "maths/log1p_double.h"

#include <cstdint>
#include <cstring>

#include "maths/avx2_target_begin.h"

#include "engine/shaper_pass_lanes.h"
#include "maths/lanes_avx2.h"

namespace fennrow::engine {

int avx2::shaperAntiderivativeLanes(const TanhShaperParams& p, const ShaperTerms& terms, const double* x,
                                    double* f, int count) {
    return shaperAntiderivativePass<maths::avx2::kDoubleLanes>(p, terms, x, f, count);
}

int avx2::shaperQuotientLanes(const double* x, const double* f, float* out, int count, bool& allApart) {
    return shaperQuotientPass<maths::avx2::kDoubleLanes>(x, f, out, count, allApart);
}

} // namespace fennrow::engine

#include "maths/avx2_target_end.h"

#endif
