// The shaper's passes compiled for AVX2: four steps to a register. Every
// shared header with external inline functions is included before the
// target is set; what follows it has internal linkage.
#include "maths/simd.h"

#if FENNROW_SIMD

#include "engine/tanh_shaper.h"

#include <cstdint>
#include <cstring>

#include "maths/avx2_target_begin.h"

#include "engine/shaper_pass_lanes.h"

namespace fennrow {

int shaperAntiderivativesAvx2(const TanhShaperParams& p, const ShaperTerms& terms, const double* x, double* f,
                              int count) {
    return shaperAntiderivativeLanes<4>(p, terms, x, f, count);
}

int shaperQuotientsAvx2(const double* x, const double* f, float* out, int count, bool& allApart) {
    return shaperQuotientLanes<4>(x, f, out, count, allApart);
}

} // namespace fennrow

#include "maths/avx2_target_end.h"

#endif
