#include "maths/float_narrowing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace fennrow::maths {
namespace {

constexpr float kMax = std::numeric_limits<float>::max();
constexpr float kInf = std::numeric_limits<float>::infinity();
// Half a step of the largest float: the rounding boundary above it.
constexpr double kHalfStep = 0x1p103;

TEST(FloatNarrowing, RoundsToNearestAtTheEdgeOfTheRange) {
    struct Case {
        double value;
        float expected;
    };
    const Case cases[] = {
        {1.0, 1.0f},
        {double(kMax), kMax},
        {3.4028235e38, kMax}, // the shortest text of the largest float
        {double(kMax) + kHalfStep / 2, kMax},
        {std::nextafter(double(kMax) + kHalfStep, 0.0), kMax},
        {double(kMax) + kHalfStep, kInf}, // a tie goes to the even side, 2^128
        {1e300, kInf},
        {std::numeric_limits<double>::infinity(), kInf},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(narrowToFloat(c.value), c.expected) << c.value;
        EXPECT_EQ(narrowToFloat(-c.value), -c.expected) << -c.value;
    }
    EXPECT_TRUE(std::isnan(narrowToFloat(std::numeric_limits<double>::quiet_NaN())));
}

} // namespace
} // namespace fennrow::maths
