#include "double_oracle.h"
#include "maths/exp_double.h"
#include "maths/log1p_double.h"
#include "maths/softplus_batch.h"
#include "support/simd_paths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace fennrow::maths {
namespace {

using oracle::sameDouble;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Inputs for every branch of the lanes: the shaper's -2u, and values outside
// the vector domains (overflow, subnormal results, tiny, huge, negative,
// special), so that lanes fall back to the scalar functions inside a block.
std::vector<double> inputs() {
    std::vector<double> xs = {0.0,   -0.0,   kInf,    -kInf,   kNaN,    -745.2, -745.1, -720.0,   -707.5,
                              709.5, 709.9,  1e-300,  -1e-300, 0x1p-60, -0.3,   -0.999, -1.0,     -2.0,
                              1e300, 0x1p52, 0x1p-54, 3.0,     1.0,     0.5,    -0.25,  -0x1p-54, 4.9e-324};
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> u(0.0, 40.0);
    for (int i = 0; i < 20000; ++i) xs.push_back(-2.0 * u(rng));
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int i = 0; i < 20000; ++i) xs.push_back(unit(rng)); // log1p's share of the engine's range
    std::shuffle(xs.begin(), xs.end(), rng);
    // Runs in which whole vectors take log1p's short series (|x| in [2^-60,
    // 2^-7)), or reach it through exp, with the thresholds inside.
    for (int i = 0; i <= 4000; ++i) {
        const double x = std::exp2(-60.0 + 53.0 * i / 4000.0);
        xs.insert(xs.end(), {x, -x, -4.8 - 37.0 * i / 4000.0});
    }
    return xs;
}

double log1pOfExp(double x) { return log1p(exp(x)); }

// A path's forms run where the path is available: in a build without SIMD
// only the scalar ones are built.
class SoftplusBatchPath : public testing::TestWithParam<SimdPath> {};

TEST_P(SoftplusBatchPath, GivesTheScalarBits) {
    const SimdPath path = GetParam();
    FENNROW_SKIP_UNLESS_AVAILABLE(path);
    struct Case {
        const char* name;
        void (*batch)(SimdPath, const double*, double*, int);
        double (*scalar)(double);
    };
    const Case cases[] = {
        {"log1p(exp)", log1pExpBatch, log1pOfExp}, {"exp", expBatch, exp}, {"log1p", log1pBatch, log1p}};
    const std::vector<double> xs = inputs();
    for (const Case& c : cases) {
        // Lengths that leave every possible remainder after the lanes.
        for (int offset = 0; offset < 5; ++offset) {
            const int count = static_cast<int>(xs.size()) - offset;
            std::vector<double> out(count);
            c.batch(path, xs.data() + offset, out.data(), count);
            int wrong = 0;
            for (int i = 0; i < count; ++i) {
                const double want = c.scalar(xs[offset + i]);
                if (sameDouble(out[i], want)) continue;
                if (++wrong <= 3)
                    ADD_FAILURE() << c.name << " at " << std::hexfloat << xs[offset + i] << ": " << out[i]
                                  << ", want " << want;
            }
            EXPECT_EQ(wrong, 0);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryPath, SoftplusBatchPath, test::kEverySimdPath, test::simdPathCaseName);

TEST(SoftplusBatch, DefaultIsTheBestPath) {
    const std::vector<double> xs = inputs();
    std::vector<double> best(xs.size()), chosen(xs.size());
    log1pExpBatch(bestSimdPath(), xs.data(), best.data(), static_cast<int>(xs.size()));
    log1pExpBatch(xs.data(), chosen.data(), static_cast<int>(xs.size()));
    for (size_t i = 0; i < xs.size(); ++i) ASSERT_TRUE(sameDouble(best[i], chosen[i])) << i;
}

} // namespace
} // namespace fennrow::maths
