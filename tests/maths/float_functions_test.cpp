// The single-precision functions against MPFR's correctly rounded results
// on a deterministic sample of each: random bit patterns (every exponent),
// random values in the range the function does its work in, the special
// and boundary values, and every input of its hard-case table. The whole of
// each function is checked by tools/maths/float_exhaustive.cpp.
#include "float_oracle.h"
#include "maths/bit_cast.h"
#include "maths/float_estimates.h"
#include "maths/float_functions.h"

#include <gtest/gtest.h>
#include <mpfr.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace fennrow::maths {
namespace {

using oracle::MpfrFunction;
using oracle::mpfrPow25;

struct Case {
    const char* name;
    float (*ours)(float);
    MpfrFunction exact;
    double (*libm)(double);
    const detail::HardCaseTable& hard;
    float lo, hi; // the range where the function is neither trivial nor saturated
    std::vector<float> special;
};

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kTiny = std::numeric_limits<float>::denorm_min();
constexpr float kMax = std::numeric_limits<float>::max();

// Floats next to multiples of pi/2, where the reduction cancels most.
std::vector<float> nearHalfPiMultiples() {
    std::vector<float> v{0x1.921fb6p0f, 0x1.921fb4p0f, 0x1.921fb6p1f,         0x1.921fb6p2f,  105414350.0f,
                         0x1.2d97c8p3f, 0x1.fb6e8ap1f, 16367173.0f * 0x1p72f, 0x1.5dde96p127f};
    for (int k = 1; k < 200; ++k) {
        const float x = static_cast<float>(k * 1.5707963267948966);
        v.insert(v.end(), {x, std::nextafter(x, 0.0f), std::nextafter(x, kInf)});
    }
    return v;
}

std::vector<float> halves(int from, int to) {
    std::vector<float> v;
    for (int n = from; n <= to; ++n) v.push_back(0.5f * static_cast<float>(n));
    return v;
}

std::vector<float> withNeighbours(std::vector<float> v) {
    const size_t n = v.size();
    for (size_t i = 0; i < n; ++i)
        v.insert(v.end(), {std::nextafter(v[i], -kInf), std::nextafter(v[i], kInf)});
    return v;
}

const std::vector<Case>& cases() {
    static const std::vector<Case> all = {
        {"sinf", sinf, mpfr_sin, [](double x) { return std::sin(x); }, detail::kSinHardCases, -20.0f, 20.0f,
         nearHalfPiMultiples()},
        {"cosf", cosf, mpfr_cos, [](double x) { return std::cos(x); }, detail::kCosHardCases, -20.0f, 20.0f,
         nearHalfPiMultiples()},
        {"tanf", tanf, mpfr_tan, [](double x) { return std::tan(x); }, detail::kTanHardCases, -20.0f, 20.0f,
         nearHalfPiMultiples()},
        {"expf", expf, mpfr_exp, [](double x) { return std::exp(x); }, detail::kExpHardCases, -104.0f, 89.0f,
         withNeighbours({88.72283f, -87.33655f, -103.27893f, -103.97208f, 0x1p-25f, -0x1p-25f})},
        {"exp2f", exp2f, mpfr_exp2, [](double x) { return std::exp2(x); }, detail::kExp2HardCases, -151.0f,
         128.0f, withNeighbours(halves(-302, 256))},
        {"pow25f", pow25f, mpfrPow25, oracle::libmPow25, detail::kPow25HardCases, -33.0f, 28.0f,
         withNeighbours(halves(-66, 56))},
        {"tanhf", tanhf, mpfr_tanh, [](double x) { return std::tanh(x); }, detail::kTanhHardCases, -10.0f,
         10.0f, withNeighbours({9.0109f, 0.17328679f, 0x1p-12f, 0.5f, 1.0f})},
        {"asinf", asinf, mpfr_asin, [](double x) { return std::asin(x); }, detail::kAsinHardCases, -1.0f,
         1.0f, withNeighbours({1.0f, -1.0f, 0.5f, -0.5f, 0x1p-12f})},
    };
    return all;
}

constexpr int kSamples = 1000000;

std::vector<float> sample(const Case& c) {
    std::vector<float> v{0.0f, -0.0f, kTiny, -kTiny, 0x1p-126f, -0x1p-126f, kMax, -kMax, kInf, -kInf, kNaN};
    v.insert(v.end(), c.special.begin(), c.special.end());
    for (int i = 0; i < c.hard.count; ++i) v.push_back(bitCast<float>(c.hard.cases[i].input));
    std::mt19937 random(20261207);
    std::uniform_real_distribution<float> inRange(c.lo, c.hi);
    for (int i = 0; i < kSamples / 2; ++i) {
        v.push_back(bitCast<float>(static_cast<uint32_t>(random())));
        v.push_back(inRange(random));
    }
    return v;
}

bool sameFloat(float a, float b) {
    return bitCast<uint32_t>(a) == bitCast<uint32_t>(b) || (a != a && b != b);
}

TEST(FloatFunctions, RoundCorrectlyOnASampleOfEachFunction) {
    for (const Case& c : cases()) {
        int failures = 0;
        for (const float x : sample(c)) {
            const float ours = c.ours(x);
            const float want = oracle::referenceFloat(c.exact, c.libm, x);
            if (!sameFloat(ours, want) && ++failures <= 5)
                ADD_FAILURE() << c.name << "(" << std::hexfloat << x << ") = " << ours << ", want " << want;
        }
        EXPECT_EQ(failures, 0) << c.name;
    }
}

} // namespace
} // namespace fennrow::maths
