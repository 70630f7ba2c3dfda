// The shaper's antiderivative and quotient passes (finishShaperBlock) four
// steps at a time, for processors with AVX2: the divisions are most of
// their cost. Each lane does exactly the scalar operations.
#pragma once

#include "engine/feedback_oscillators.h"
#include "engine/tanh_shaper.h"

namespace fennrow {

#if FENNROW_ENGINE_AVX2
// f[k + 1] for k = 0, 4, 8, ... while four steps remain; returns the first k
// not done.
int shaperAntiderivativesAvx2(const TanhShaperParams& p, const ShaperTerms& terms, const double* x, double* f,
                              int count);
// out[k] from x and f likewise; clears `allApart` if a step needs the
// midpoint rule (its quotient is then a placeholder).
int shaperQuotientsAvx2(const double* x, const double* f, float* out, int count, bool& allApart);
#endif

} // namespace fennrow
