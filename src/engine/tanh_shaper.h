// A biased tanh waveshaper with first-order antiderivative anti-aliasing:
// the output is the mean of the curve over the segment between the previous
// and the current input, taken from the curve's antiderivative (log cosh).
// The antiderivative is evaluated in double precision; the difference of two
// nearby values would lose too much in single precision.
#pragma once

// External inline functions: before avx2_target_begin.h in an AVX2 file.
#if defined(FENNROW_AVX2_TARGET)
#error "include this header before avx2_target_begin.h"
#endif

#include "maths/constants.h"
#include "maths/exp_double.h"
#include "maths/float_functions.h"
#include "maths/log1p_double.h"
#include "maths/simd.h"

#include <cmath>

namespace fennrow::engine {

inline constexpr double kShaperMidpointThreshold = 1e-6;

// Shared by the two stereo channels.
struct TanhShaperParams {
    float g = 1.0f;  // gain
    float b = 0.0f;  // bias
    float d = 0.0f;  // offset, 2/pi asin(b)
    float n = 1.0f;  // normalisation so that f(-1) = -1
    double f0 = 0.0; // makes F(0) = 0
};

// Per channel. The antiderivative at the previous input is kept, so each
// step evaluates it once; it is only valid for the parameters in force when
// it was computed.
struct TanhShaperState {
    float previous = 0.0f;
    double previousF = 0.0;
    bool hasPreviousF = false;
};

void configureShaper(TanhShaperParams& p, float drive);

// configureShaper, and the two channels' antiderivatives at their last
// inputs under the new parameters, which their next steps need (as if their
// history were forgotten): the three transcendental terms go in one batch.
void configureShapers(TanhShaperParams& p, float drive, TanhShaperState& a, TanhShaperState& b);

// The static curve f(x).
float shaperCurve(const TanhShaperParams& p, float x);

// The antiderivative at an input x (a float, widened) from u = |(b + x) g|
// and its term log1p(exp(-2u)).
inline double shaperAntiderivativeFrom(const TanhShaperParams& p, double x, double u, double softplus) {
    const double logCosh = softplus + u - maths::kLn2 - p.f0;
    return (logCosh / static_cast<double>(p.g) - static_cast<double>(p.d) * x) * static_cast<double>(p.n);
}

inline double shaperU(const TanhShaperParams& p, float x) {
    return std::fabs((static_cast<double>(p.b) + static_cast<double>(x)) * static_cast<double>(p.g));
}

inline double shaperAntiderivative(const TanhShaperParams& p, float x) {
    const double u = shaperU(p, x);
    return shaperAntiderivativeFrom(p, x, u, maths::log1p(maths::exp(-2.0 * u)));
}

inline void forgetShaperHistory(TanhShaperState& s) { s.hasPreviousF = false; }

inline void resetShaperState(TanhShaperState& s) { s = TanhShaperState{}; }

inline float processShaper(const TanhShaperParams& p, TanhShaperState& s, float x) {
    const float prev = s.previous;
    s.previous = x;
    const double diff = static_cast<double>(x) - static_cast<double>(prev);
    if (std::fabs(diff) < kShaperMidpointThreshold) {
        // Too close for the difference quotient: use the curve at the midpoint.
        s.hasPreviousF = false;
        const float mid = static_cast<float>((static_cast<double>(x) + static_cast<double>(prev)) * 0.5);
        return (maths::tanhf((mid + p.b) * p.g) - p.d) * p.n;
    }
    const double fPrev = s.hasPreviousF ? s.previousF : shaperAntiderivative(p, prev);
    const double fx = shaperAntiderivative(p, x);
    s.previousF = fx;
    s.hasPreviousF = true;
    return static_cast<float>((fx - fPrev) / diff);
}

// The same steps over a block of `count` (at most kShaperBlockMax) inputs,
// with the same results as processShaper, bit for bit. The transcendental
// part of each antiderivative, log1p(exp(-2u)) with u = |(b + x) g|, can be
// taken separately (shaperTermsBlock, or beside the oscillators that make
// the inputs), and the rest then runs as passes over the block.
inline constexpr int kShaperBlockMax = 128;

struct ShaperTerms {
    double u[kShaperBlockMax];
    double softplus[kShaperBlockMax];
};

// The terms, u and log1p(exp(-2u)), of in[0 .. count - 1], the
// transcendental steps of the whole block taken together on `path`.
void shaperTermsBlock(maths::SimdPath path, const TanhShaperParams& p, const float* in, ShaperTerms& terms,
                      int count);

// The passes on `path` (which must be available; the same bits on every
// path).
void finishShaperBlock(maths::SimdPath path, const TanhShaperParams& p, TanhShaperState& s, const float* in,
                       const ShaperTerms& terms, float* out, int count);

void processShaperBlock(const TanhShaperParams& p, TanhShaperState& s, const float* in, float* out,
                        int count);

// The lanes' part of finishShaperBlock's two passes, one form for each
// instruction set (the AVX2 one in shaper_passes_avx2.cpp): f[k + 1] and
// then out[k] for k = 0, N, 2N, ... while N steps remain, returning the
// first step left to the scalar loop (every step, in the scalar form). The
// quotient pass clears `allApart` if a step needs the midpoint rule (its
// quotient is then a placeholder).
using ShaperAntiderivativeLanesForm = int(const TanhShaperParams& p, const ShaperTerms& terms,
                                          const double* x, double* f, int count);
using ShaperQuotientLanesForm = int(const double* x, const double* f, float* out, int count, bool& allApart);

namespace scalar {
ShaperAntiderivativeLanesForm shaperAntiderivativeLanes;
ShaperQuotientLanesForm shaperQuotientLanes;
} // namespace scalar

#if FENNROW_SIMD
namespace sse2 {
ShaperAntiderivativeLanesForm shaperAntiderivativeLanes;
ShaperQuotientLanesForm shaperQuotientLanes;
} // namespace sse2

namespace avx2 {
ShaperAntiderivativeLanesForm shaperAntiderivativeLanes;
ShaperQuotientLanesForm shaperQuotientLanes;
} // namespace avx2
#endif

} // namespace fennrow::engine
