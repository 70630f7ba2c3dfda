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

using testing::mpfrDouble;
using testing::sameDouble;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kMinSubnormal = std::numeric_limits<double>::denorm_min();
constexpr double kMax = std::numeric_limits<double>::max();

struct Function {
    const char* name;
    double (*ours)(double);
    testing::MpfrFunction oracle;
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

// Worst cases for correct rounding found by Lefevre and Muller ("Worst Cases
// for Correct Rounding of the Elementary Functions in Double Precision",
// INRIA RR-4044, 2000, and its 2003 update), as listed in OpenJDK's
// test/jdk/java/lang/Math/WorstCaseTests.java. Those of log are taken at
// x - 1, exact for these x, so they are log1p's worst cases too.
TEST(DoubleFunctions, PublishedWorstCases) {
    const std::vector<double> expCases = {
        -0x1.E8BDBFCD9144Ep3,   -0x1.71E0B869B5E79p2,   -0x1.02393D5976769p1,   -0x1.2A9CAD9998262p0,
        -0x1.CC37EF7DE7501p0,   -0x1.22E24FA3D5CF9p-1,  -0x1.DC2B5DF1F7D3Dp-1,  -0x1.290EA09E36479p-3,
        -0x1.A2FEFEFD580DFp-13, -0x1.ED318EFB627EAp-27, -0x1.4BD46601AE1EFp-31, -0x1.1000000000242p-42,
        -0x1.2000000000288p-42, -0x1.8000000000012p-48, -0x1.0000000000001p-51, 0x1.FFFFFFFFFFFFFp-53,
        0x1.FFFFFFFFFFFE0p-48,  0x1.7FFE7FFEE0024p-32,  0x1.80017FFEDFFDCp-32,  0x1.9E9CBBFD6080Bp-31,
        0x1.D7A7D893609E5p-26,  0x1.BA07D73250DE7p-14,  0x1.D77FD13D27FFFp-11,  0x1.6A4D1AF9CC989p-8,
        0x1.ACCFBE46B4EF0p-1,   0x1.ACA7AE8DA5A7Bp0,    0x1.D6336A88077AAp0,    0x2.85DC78FB8928Cp0,
        0x1.76E7E5D7B6EACp3,    0x1.A8EAD058BC6B8p3,    0x1.1D5C2DAEBE367p4,    0x1.C44CE0D716A1Ap4,
    };
    const std::vector<double> logCases = {
        0x1.0000000000001p0, 0x2.0012ECB039C9Cp0, 0x6.46A37FD503FDCp0, 0x7.78DFECC7F57Fp0,
        0x9.588CCF24BB9C8p0, 0xA.AF87550D97E4p0,  0xC.76F2496CB039p0,  0x11.1867637CBD03p0,
        0x13.D9D7D597A9DDp0, 0x17.F3825778AAAFp0, 0x1AC.50B409C8AEEp0, 0x1.DE7CD6751029Ap16,
    };
    std::vector<double> log1pCases;
    for (double x : logCases) log1pCases.push_back(x - 1.0);
    const std::vector<double> tanCases = {
        0x1.DFFFFFFFFFF1Fp-22, 0x1.67FFFFFFFA114p-18, 0x1.50486B2F87014p-5, 0x1.52C39EF070CADp-4,
        0x1.A33F32AC5CEB5p-3,  0x1.D696BFA988DB9p-2,  0x1.46AC372243536p-1,
    };
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

// The accurate paths run for about one input in 10^4 in normal use, so they
// are checked alone here, on every kind of input they can be given.
TEST(DoubleFunctions, AccuratePathsAloneMatchMpfr) {
    std::vector<double> expInputs;
    for (double x : sample(kExp, 40000))
        if (std::fabs(x) <= 746.0 && std::fabs(x) > 0x1p-54) expInputs.push_back(x);
    std::vector<double> log1pInputs;
    for (double x : sample(kLog1p, 40000))
        if (x > -1.0 && std::fabs(x) >= 0x1p-54 && std::isfinite(x)) log1pInputs.push_back(x);
    EXPECT_EQ(mismatches(kExp, expInputs, expAccurate), 0);
    EXPECT_EQ(mismatches(kLog1p, log1pInputs, log1pAccurate), 0);
}

} // namespace
} // namespace fennrow::maths
