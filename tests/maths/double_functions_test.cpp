#include "double_oracle.h"
#include "maths/exp_double.h"
#include "maths/log1p_double.h"
#include "maths/tan_double.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace fennrow::maths {
namespace {

using oracle::mpfrDouble;
using oracle::sameDouble;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kMinSubnormal = std::numeric_limits<double>::denorm_min();
constexpr double kMax = std::numeric_limits<double>::max();

struct Function {
    const char* name;
    double (*ours)(double);
    oracle::MpfrFunction oracle;
};

const Function kExp{"exp", exp, mpfr_exp};
const Function kLog1p{"log1p", log1p, mpfr_log1p};
const Function kTan{"tan", tan, mpfr_tan};

// Counts the inputs whose result differs from MPFR's, printing the first few.
int mismatches(const Function& f, const std::vector<double>& inputs, double (*ours)(double) = nullptr) {
    int count = 0;
    for (double x : inputs) {
        const double got = (ours ? ours : f.ours)(x);
        const double want = mpfrDouble(f.oracle, x);
        if (sameDouble(got, want)) continue;
        if (++count <= 5)
            ADD_FAILURE() << f.name << "(" << std::hexfloat << x << ") = " << got << ", want " << want;
    }
    return count;
}

// Special values as C defines them, and the edges of overflow and underflow
// (one double on each side of each threshold).
TEST(DoubleFunctions, SpecialValuesAndThresholds) {
    struct Case {
        const Function& f;
        double x;
        double want;
    };
    const Case cases[] = {
        {kExp, 0.0, 1.0},
        {kExp, -0.0, 1.0},
        {kExp, kMinSubnormal, 1.0},
        {kExp, kInf, kInf},
        {kExp, -kInf, 0.0},
        {kExp, kNaN, kNaN},
        {kExp, 0x1.62e42fefa39efp+9, 0x1.fffffffffff2ap+1023}, // the largest finite result
        {kExp, 0x1.62e42fefa39f0p+9, kInf},
        {kExp, -0x1.74910d52d3051p+9, kMinSubnormal}, // rounds up to the smallest subnormal
        {kExp, -0x1.74910d52d3052p+9, 0.0},
        {kExp, -0x1.6232bdd7abcd3p+9, 0x0.ffffffffffe7cp-1022}, // the largest subnormal result
        {kExp, -0x1.6232bdd7abcd2p+9, 0x1.000000000007cp-1022},
        {kLog1p, 0.0, 0.0},
        {kLog1p, -0.0, -0.0},
        {kLog1p, kMinSubnormal, kMinSubnormal},
        {kLog1p, -kMinSubnormal, -kMinSubnormal},
        {kLog1p, -1.0, -kInf},
        {kLog1p, -1.5, kNaN},
        {kLog1p, -kInf, kNaN},
        {kLog1p, kInf, kInf},
        {kLog1p, kNaN, kNaN},
        {kLog1p, kMax, 0x1.62e42fefa39efp+9},
        {kLog1p, -0x1.fffffffffffffp-1, -0x1.25e4f7b2737fap+5},
        {kTan, 0.0, 0.0},
        {kTan, -0.0, -0.0},
        {kTan, -kMinSubnormal, -kMinSubnormal},
        {kTan, kInf, kNaN},
        {kTan, -kInf, kNaN},
        {kTan, kNaN, kNaN},
    };
    for (const Case& c : cases) {
        const double got = c.f.ours(c.x);
        EXPECT_TRUE(sameDouble(got, c.want))
            << c.f.name << "(" << std::hexfloat << c.x << ") = " << got << ", want " << c.want;
        if (!std::isnan(c.want)) {
            EXPECT_TRUE(sameDouble(got, mpfrDouble(c.f.oracle, c.x))) << "table entry is wrong";
        }
    }
}

// The published worst cases for correct rounding (double_oracle.h).
TEST(DoubleFunctions, PublishedWorstCases) {
    const std::vector<double>& expCases = oracle::kExpWorstCases;
    const std::vector<double> log1pCases = oracle::log1pWorstCases();
    const std::vector<double>& tanCases = oracle::kTanWorstCases;
    EXPECT_EQ(mismatches(kExp, expCases), 0);
    EXPECT_EQ(mismatches(kLog1p, log1pCases), 0);
    EXPECT_EQ(mismatches(kTan, tanCases), 0);
}

double fromUniformBits(std::mt19937_64& rng) {
    const std::uint64_t b = rng();
    double x;
    std::memcpy(&x, &b, sizeof x);
    return x;
}

// A fixed sample: mostly the ranges the shaper uses (exp on [-60, 0], log1p on
// (0, 1]), then the whole range and every bit pattern.
std::vector<double> sample(const Function& f, int count) {
    std::mt19937_64 rng(20261207);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<double> xs;
    xs.reserve(count);
    for (int i = 0; i < count; ++i) {
        const int kind = i % 4;
        double x = 0.0;
        if (&f == &kExp) {
            x = kind < 2 ? -60.0 * unit(rng) : kind == 2 ? -746.0 + 1456.0 * unit(rng) : fromUniformBits(rng);
        } else if (&f == &kLog1p) {
            x = kind == 0   ? unit(rng)
                : kind == 1 ? std::ldexp(unit(rng), -static_cast<int>(rng() % 120))
                : kind == 2 ? unit(rng) * 2.0 - 1.0
                            : fromUniformBits(rng);
        } else {
            x = kind < 2 ? 8.0 * unit(rng) - 4.0 : fromUniformBits(rng);
        }
        xs.push_back(x);
    }
    return xs;
}

// One test each, so that they run in parallel.
TEST(DoubleFunctions, ExpMatchesMpfrOnAFixedSample) { EXPECT_EQ(mismatches(kExp, sample(kExp, 1000000)), 0); }
TEST(DoubleFunctions, Log1pMatchesMpfrOnAFixedSample) {
    EXPECT_EQ(mismatches(kLog1p, sample(kLog1p, 1000000)), 0);
}
TEST(DoubleFunctions, TanMatchesMpfrOnAFixedSample) { EXPECT_EQ(mismatches(kTan, sample(kTan, 100000)), 0); }

// The exact paths run for about one input in 10^4 in normal use, so they
// are checked alone here, on every kind of input they can be given.
TEST(DoubleFunctions, ExactPathsAloneMatchMpfr) {
    std::vector<double> expInputs;
    for (double x : sample(kExp, 40000))
        if (std::fabs(x) <= 746.0 && std::fabs(x) > 0x1p-54) expInputs.push_back(x);
    std::vector<double> log1pInputs;
    for (double x : sample(kLog1p, 40000))
        if (x > -1.0 && std::fabs(x) >= 0x1p-54 && std::isfinite(x)) log1pInputs.push_back(x);
    EXPECT_EQ(mismatches(kExp, expInputs, expExact), 0);
    EXPECT_EQ(mismatches(kLog1p, log1pInputs, log1pExact), 0);
}

} // namespace
} // namespace fennrow::maths
