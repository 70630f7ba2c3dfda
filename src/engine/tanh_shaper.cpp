#include "engine/tanh_shaper.h"

#include "engine/shaper_passes_avx2.h"
#include "maths/softplus_batch.h"

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(FENNROW_NO_SIMD)
#include <emmintrin.h>
#define FENNROW_SHAPER_SSE 1
#else
#define FENNROW_SHAPER_SSE 0
#endif

namespace fennrow {

namespace {
constexpr float kShaperMaxGain = 25.0f;
static_assert(kShaperMaxGain == maths::kPow25Base, "the gain curve raises kShaperMaxGain with pow25f");
constexpr float kTwoOverPi = 0.63661975f;
} // namespace

namespace {

void configureCurve(TanhShaperParams& p, float drive) {
    p.g = maths::pow25f(drive);
    p.b = 0.25f * drive;
    p.d = maths::asinf(p.b) * kTwoOverPi;
    p.n = 1.0f / (maths::tanhf((1.0f - p.b) * p.g) + p.d);
}

double shaperU0(const TanhShaperParams& p) {
    return std::fabs(static_cast<double>(p.b) * static_cast<double>(p.g));
}

} // namespace

void configureShaper(TanhShaperParams& p, float drive) {
    configureCurve(p, drive);
    const double u0 = shaperU0(p);
    p.f0 = maths::log1p(maths::exp(-2.0 * u0)) + u0 - maths::kLn2;
}

void configureShapers(TanhShaperParams& p, float drive, TanhShaperState& a, TanhShaperState& b) {
    configureCurve(p, drive);
    const double u[3] = {shaperU0(p), shaperU(p, a.previous), shaperU(p, b.previous)};
    // Four lanes, the last a copy, so that the batch takes them together.
    const double x[4] = {-2.0 * u[0], -2.0 * u[1], -2.0 * u[2], -2.0 * u[0]};
    double softplus[4];
    maths::log1pExpBatch(x, softplus, 4);
    p.f0 = softplus[0] + u[0] - maths::kLn2;
    a.previousF = shaperAntiderivativeFrom(p, a.previous, u[1], softplus[1]);
    a.hasPreviousF = true;
    b.previousF = shaperAntiderivativeFrom(p, b.previous, u[2], softplus[2]);
    b.hasPreviousF = true;
}

namespace {

// Antiderivatives f[1..count] at x[1..count] and the difference quotients,
// a pair of steps at a time where SSE2 is there. Each lane does exactly the
// scalar operations, so the results are the same bits either way.
struct ShaperPass {
    const TanhShaperParams& p;
    const ShaperTerms& terms;
    double* x;
    double* f;

    void antiderivative(int k) const {
        f[k + 1] = shaperAntiderivativeFrom(p, x[k + 1], terms.u[k], terms.softplus[k]);
    }
    // False where the inputs are too close for the quotient (midpoint case).
    bool quotient(int k, float* out) const {
        const double diff = x[k + 1] - x[k];
        const bool near = std::fabs(diff) < kShaperMidpointThreshold;
        out[k] = static_cast<float>((f[k + 1] - f[k]) / (near ? 1.0 : diff));
        return !near;
    }
};

#if FENNROW_SHAPER_SSE
void antiderivativePair(const ShaperPass& s, int k) {
    const __m128d sum = _mm_add_pd(_mm_loadu_pd(s.terms.softplus + k), _mm_loadu_pd(s.terms.u + k));
    const __m128d shifted = _mm_sub_pd(_mm_sub_pd(sum, _mm_set1_pd(maths::kLn2)), _mm_set1_pd(s.p.f0));
    const __m128d scaled = _mm_div_pd(shifted, _mm_set1_pd(static_cast<double>(s.p.g)));
    const __m128d x = _mm_loadu_pd(s.x + k + 1);
    const __m128d less = _mm_sub_pd(scaled, _mm_mul_pd(_mm_set1_pd(static_cast<double>(s.p.d)), x));
    _mm_storeu_pd(s.f + k + 1, _mm_mul_pd(less, _mm_set1_pd(static_cast<double>(s.p.n))));
}

bool quotientPair(const ShaperPass& s, int k, float* out) {
    const __m128d diff = _mm_sub_pd(_mm_loadu_pd(s.x + k + 1), _mm_loadu_pd(s.x + k));
    const __m128d magnitude = _mm_andnot_pd(_mm_set1_pd(-0.0), diff);
    const __m128d near = _mm_cmplt_pd(magnitude, _mm_set1_pd(kShaperMidpointThreshold));
    const __m128d divisor = _mm_or_pd(_mm_and_pd(near, _mm_set1_pd(1.0)), _mm_andnot_pd(near, diff));
    const __m128d q = _mm_div_pd(_mm_sub_pd(_mm_loadu_pd(s.f + k + 1), _mm_loadu_pd(s.f + k)), divisor);
    _mm_storel_pi(reinterpret_cast<__m64*>(out + k), _mm_cvtpd_ps(q));
    return _mm_movemask_pd(near) == 0;
}
#endif

} // namespace

void finishShaperBlock(const TanhShaperParams& p, TanhShaperState& s, const float* in,
                       const ShaperTerms& terms, float* out, int count, bool useAvx2) {
    double x[kShaperBlockMax + 1]; // x[0] is the previous input
    double f[kShaperBlockMax + 1]; // antiderivative at x
    x[0] = s.previous;
    f[0] = s.hasPreviousF ? s.previousF : shaperAntiderivative(p, s.previous);
    for (int k = 0; k < count; ++k) x[k + 1] = in[k];
    const ShaperPass pass{p, terms, x, f};
    int k = 0;
    bool allApart = true;
#if FENNROW_ENGINE_AVX2
    if (useAvx2) k = shaperAntiderivativesAvx2(p, terms, x, f, count);
#else
    (void)useAvx2;
#endif
#if FENNROW_SHAPER_SSE
    for (; k + 2 <= count; k += 2) antiderivativePair(pass, k);
#endif
    for (; k < count; ++k) pass.antiderivative(k);
    k = 0;
#if FENNROW_ENGINE_AVX2
    if (useAvx2) k = shaperQuotientsAvx2(x, f, out, count, allApart);
#endif
#if FENNROW_SHAPER_SSE
    for (; k + 2 <= count; k += 2) allApart &= quotientPair(pass, k, out);
#endif
    for (; k < count; ++k) allApart &= pass.quotient(k, out);
    if (!allApart) {
        for (k = 0; k < count; ++k) {
            if (!(std::fabs(x[k + 1] - x[k]) < kShaperMidpointThreshold)) continue;
            const float mid = static_cast<float>((x[k + 1] + x[k]) * 0.5);
            out[k] = (maths::tanhf((mid + p.b) * p.g) - p.d) * p.n;
        }
    }
    s.previous = in[count - 1];
    s.previousF = f[count];
    s.hasPreviousF = true;
}

void shaperTermsSpan(const TanhShaperParams& p, const float* in, ShaperTerms& terms, int first, int count) {
    double exponent[kShaperBlockMax];
    for (int k = first; k < first + count; ++k) {
        terms.u[k] = shaperU(p, in[k]);
        exponent[k - first] = -2.0 * terms.u[k];
    }
    maths::log1pExpBatch(exponent, terms.softplus + first, count);
}

void shaperTermsSpanPair(const TanhShaperParams& p, const float* inA, ShaperTerms& termsA, const float* inB,
                         ShaperTerms& termsB, int first, int count) {
    if (count <= 0) return;
    double exponent[2 * kShaperBlockMax];
    double softplus[2 * kShaperBlockMax];
    for (int i = 0; i < count; ++i) {
        const double uA = shaperU(p, inA[first + i]);
        const double uB = shaperU(p, inB[first + i]);
        termsA.u[first + i] = uA;
        termsB.u[first + i] = uB;
        exponent[i] = -2.0 * uA;
        exponent[count + i] = -2.0 * uB;
    }
    maths::log1pExpBatch(exponent, softplus, 2 * count);
    for (int k = 0; k < count; ++k) {
        termsA.softplus[first + k] = softplus[k];
        termsB.softplus[first + k] = softplus[count + k];
    }
}

void shaperTermsBlock(const TanhShaperParams& p, const float* in, ShaperTerms& terms, int count) {
    shaperTermsSpan(p, in, terms, 0, count);
}

void processShaperBlock(const TanhShaperParams& p, TanhShaperState& s, const float* in, float* out,
                        int count) {
    ShaperTerms terms;
    shaperTermsBlock(p, in, terms, count);
    finishShaperBlock(p, s, in, terms, out, count);
}

float shaperCurve(const TanhShaperParams& p, float x) { return (maths::tanhf(p.g * (x + p.b)) - p.d) * p.n; }

} // namespace fennrow
