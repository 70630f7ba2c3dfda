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

float shaperCurve(const TanhShaperParams& p, float x) {
    return (tanhf(p.g * (x + p.b)) - p.d) * p.n;
}

} // namespace fennrow
