#include "engine/tanh_shaper.h"

#include "engine/dsp_constants.h"
#include "maths/simd.h"
#include "maths/softplus_batch.h"

#if FENNROW_SIMD
#include "engine/shaper_pass_lanes.h"
#include "maths/lanes_sse2.h"
#endif

namespace fennrow::engine {

namespace {
constexpr float kShaperMaxGain = 25.0f;
static_assert(kShaperMaxGain == maths::kPow25Base, "the gain curve raises kShaperMaxGain with pow25f");
} // namespace

namespace {

void configureCurve(TanhShaperParams& p, float drive) {
    p.g = maths::pow25f(drive);
    p.b = 0.25f * drive;
    p.d = maths::asinf(p.b) * kTwoOverPi32;
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

// The quotient of step k, false where the inputs are too close for it (the
// midpoint rule answers there).
bool shaperQuotient(const double* x, const double* f, int k, float* out) {
    const double diff = x[k + 1] - x[k];
    const bool near = std::fabs(diff) < kShaperMidpointThreshold;
    out[k] = static_cast<float>((f[k + 1] - f[k]) / (near ? 1.0 : diff));
    return !near;
}

} // namespace

int scalar::shaperAntiderivativeLanes(const TanhShaperParams&, const ShaperTerms&, const double*, double*,
                                      int) {
    return 0;
}

int scalar::shaperQuotientLanes(const double*, const double*, float*, int, bool&) { return 0; }

#if FENNROW_SIMD
int sse2::shaperAntiderivativeLanes(const TanhShaperParams& p, const ShaperTerms& terms, const double* x,
                                    double* f, int count) {
    return shaperAntiderivativePass<maths::sse2::kDoubleLanes>(p, terms, x, f, count);
}

int sse2::shaperQuotientLanes(const double* x, const double* f, float* out, int count, bool& allApart) {
    return shaperQuotientPass<maths::sse2::kDoubleLanes>(x, f, out, count, allApart);
}
#endif

namespace {
constexpr maths::SimdForms<ShaperAntiderivativeLanesForm> kAntiderivativeForms =
    FENNROW_SIMD_FORMS(shaperAntiderivativeLanes);
constexpr maths::SimdForms<ShaperQuotientLanesForm> kQuotientForms = FENNROW_SIMD_FORMS(shaperQuotientLanes);
} // namespace

void finishShaperBlock(maths::SimdPath path, const TanhShaperParams& p, TanhShaperState& s, const float* in,
                       const ShaperTerms& terms, float* out, int count) {
    double x[kShaperBlockMax + 1]; // x[0] is the previous input
    double f[kShaperBlockMax + 1]; // antiderivative at x
    x[0] = s.previous;
    f[0] = s.hasPreviousF ? s.previousF : shaperAntiderivative(p, s.previous);
    for (int k = 0; k < count; ++k) x[k + 1] = in[k];
    for (int k = kAntiderivativeForms[path](p, terms, x, f, count); k < count; ++k)
        f[k + 1] = shaperAntiderivativeFrom(p, x[k + 1], terms.u[k], terms.softplus[k]);
    bool allApart = true;
    for (int k = kQuotientForms[path](x, f, out, count, allApart); k < count; ++k)
        allApart &= shaperQuotient(x, f, k, out);
    if (!allApart) {
        for (int k = 0; k < count; ++k) {
            if (!(std::fabs(x[k + 1] - x[k]) < kShaperMidpointThreshold)) continue;
            const float mid = static_cast<float>((x[k + 1] + x[k]) * 0.5);
            out[k] = (maths::tanhf((mid + p.b) * p.g) - p.d) * p.n;
        }
    }
    s.previous = in[count - 1];
    s.previousF = f[count];
    s.hasPreviousF = true;
}

void shaperTermsBlock(maths::SimdPath path, const TanhShaperParams& p, const float* in, ShaperTerms& terms,
                      int count) {
    double exponent[kShaperBlockMax];
    for (int k = 0; k < count; ++k) {
        terms.u[k] = shaperU(p, in[k]);
        exponent[k] = -2.0 * terms.u[k];
    }
    maths::log1pExpBatch(path, exponent, terms.softplus, count);
}

void processShaperBlock(const TanhShaperParams& p, TanhShaperState& s, const float* in, float* out,
                        int count) {
    ShaperTerms terms;
    const maths::SimdPath path = maths::bestSimdPath();
    shaperTermsBlock(path, p, in, terms, count);
    finishShaperBlock(path, p, s, in, terms, out, count);
}

float shaperCurve(const TanhShaperParams& p, float x) { return (maths::tanhf(p.g * (x + p.b)) - p.d) * p.n; }

} // namespace fennrow::engine
