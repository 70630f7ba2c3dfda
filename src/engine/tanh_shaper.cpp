#include "engine/tanh_shaper.h"

namespace fennrow {

namespace {
constexpr float kShaperMaxGain = 25.0f;
constexpr float kTwoOverPi = 0.63661975f;
} // namespace

void configureShaper(TanhShaperParams& p, float drive) {
    p.g = powf(kShaperMaxGain, drive);
    p.b = 0.25f * drive;
    p.d = asinf(p.b) * kTwoOverPi;
    p.n = 1.0f / (tanhf((1.0f - p.b) * p.g) + p.d);
    const double u0 = std::fabs(static_cast<double>(p.b) * static_cast<double>(p.g));
    p.f0 = std::log1p(std::exp(-2.0 * u0)) + u0 - kLn2;
}

void finishShaperBlock(const TanhShaperParams& p, TanhShaperState& s, const float* in, const ShaperTerms& terms,
                       float* out, int count) {
    double x[kShaperBlockMax + 1]; // x[0] is the previous input
    double f[kShaperBlockMax + 1]; // antiderivative at x
    const double g = p.g;
    const double d = p.d;
    const double n = p.n;
    x[0] = s.previous;
    f[0] = s.hasPreviousF ? s.previousF : shaperAntiderivative(p, s.previous);
    for (int k = 0; k < count; ++k) {
        x[k + 1] = in[k];
        f[k + 1] = ((terms.softplus[k] + terms.u[k] - kLn2 - p.f0) / g - d * x[k + 1]) * n;
    }
    bool anyNear = false;
    for (int k = 0; k < count; ++k) {
        const double diff = x[k + 1] - x[k];
        const bool near = std::fabs(diff) < kShaperMidpointThreshold;
        anyNear |= near;
        out[k] = static_cast<float>((f[k + 1] - f[k]) / (near ? 1.0 : diff));
    }
    if (anyNear) {
        for (int k = 0; k < count; ++k) {
            if (!(std::fabs(x[k + 1] - x[k]) < kShaperMidpointThreshold)) continue;
            const float mid = static_cast<float>((x[k + 1] + x[k]) * 0.5);
            out[k] = (tanhf((mid + p.b) * p.g) - p.d) * p.n;
        }
    }
    s.previous = in[count - 1];
    s.previousF = f[count];
    s.hasPreviousF = true;
}

void processShaperBlock(const TanhShaperParams& p, TanhShaperState& s, const float* in, float* out,
                        int count) {
    ShaperTerms terms;
    for (int k = 0; k < count; ++k) shaperTerms(p, in[k], terms, k);
    finishShaperBlock(p, s, in, terms, out, count);
}

float shaperCurve(const TanhShaperParams& p, float x) {
    return (tanhf(p.g * (x + p.b)) - p.d) * p.n;
}

} // namespace fennrow
