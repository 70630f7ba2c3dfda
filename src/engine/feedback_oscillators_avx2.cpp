// The feedback oscillators' AVX2 form: the shared schedule with the AVX2
// shaper lanes and the fused sine pair, FMA included. Every shared header
// with external inline functions is included before the target is set; the
// lanes headers after it.
#include "maths/simd.h"

#if FENNROW_SIMD

#include "engine/dsp_constants.h"
#include "engine/feedback_oscillators.h"
#include "maths/double_arith.h"
#include "maths/double_tables.h"
#include "maths/exp_double.h"
#include "maths/exp_series.h"
#include "maths/float_functions.h"
#include "maths/lane_masks.h"
#include "maths/log1p_double.h"
#include "maths/trig_reduction.h"

#include <cstdint>
#include <cstring>
#include <immintrin.h>

#include "maths/avx2_target_begin.h"

#include "engine/feedback_oscillators_lanes.h"
#include "maths/lanes_avx2.h"
#include "maths/sine_pair_fused.h"

namespace fennrow::engine {

void avx2::runFeedbackOscillators(const FeedbackChunk& chunk, FeedbackSine& oscA, FeedbackSine& oscB,
                                  const TanhShaperParams& shaper, float* rawA, float* rawB,
                                  ShaperTerms& termsA, ShaperTerms& termsB) {
    feedbackOscillatorLanes<maths::avx2::TwoStreamLanes, maths::FusedPairOps>(chunk, oscA, oscB, shaper, rawA,
                                                                              rawB, termsA, termsB);
}

} // namespace fennrow::engine

#include "maths/avx2_target_end.h"

#endif
