#include "engine/dc_blocker.h"
#include "engine/halfband_decimator.h"
#include "engine/linear_ramp.h"
#include "engine/one_pole.h"
#include "engine/svf.h"
#include "engine/tanh_shaper.h"
#include "maths/simd.h"
#include "maths/softplus_batch.h"
#include "support/simd_paths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace fennrow::test {
namespace {

TEST(OnePole, CoefficientAndFlush) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (float t : {0.0f, -0.5f, nan}) EXPECT_EQ(engine::onePoleCoefficient(t, 48000.0f), 1.0f) << t;
    engine::OnePole pole{0.0f, engine::onePoleCoefficient(0.01f, 48000.0f)};
    for (int i = 0; i < 480; ++i) stepOnePole(pole, 1.0f);
    EXPECT_NEAR(pole.value, 1.0f - std::exp(-1.0f), 1e-4f); // one time constant

    engine::OnePole decay{1.0f, 0.3f};
    for (int i = 0; i < 200; ++i) {
        stepOnePole(decay, 0.0f);
        ASSERT_TRUE(decay.value == 0.0f || decay.value >= 1e-15f) << decay.value;
    }
    EXPECT_EQ(decay.value, 0.0f);
}

TEST(LinearRamp, JumpsFirstThenLandsExactlyAfterLengthSamples) {
    engine::LinearRamp ramp;
    ramp.length = 220;
    setRamp(ramp, 0.6f);
    EXPECT_EQ(advanceRamp(ramp), 0.6f);
    setRamp(ramp, 0.1f); // steps that do not add up exactly
    for (int i = 0; i < 219; ++i) ASSERT_NE(advanceRamp(ramp), 0.1f) << i;
    EXPECT_EQ(advanceRamp(ramp), 0.1f);

    setRamp(ramp, 1.0f);
    for (int i = 0; i < 4; ++i) advanceRamp(ramp);
    const float held = ramp.current;
    setRamp(ramp, held); // the value it holds: the ramp stops there
    for (int i = 0; i < 300; ++i) ASSERT_EQ(advanceRamp(ramp), held);
}

constexpr float kDrives[] = {0.0f, 0.25f, 0.7f, 1.0f};

// The static curve rises from exactly -1 at an input of -1 and stays within
// [-1, 1] over the inputs the oscillators give.
TEST(TanhShaper, CurveRisesFromMinusOneWithinRange) {
    for (const float drive : kDrives) {
        engine::TanhShaperParams p;
        configureShaper(p, drive);
        EXPECT_FLOAT_EQ(shaperCurve(p, -1.0f), -1.0f) << drive;
        float previous = -1.0f;
        for (int i = 1; i <= 2000; ++i) {
            const float y = shaperCurve(p, -1.0f + i / 1000.0f);
            ASSERT_GE(y, previous) << drive << " " << i;
            ASSERT_LE(y, 1.0f) << drive << " " << i;
            previous = y;
        }
    }
}

// The curve's mean over [a, b], by Simpson's rule in double precision on
// the shaper's own parameters.
double curveMean(const engine::TanhShaperParams& p, float a, float b) {
    const auto f = [&](double x) {
        return (std::tanh(static_cast<double>(p.g) * (x + p.b)) - static_cast<double>(p.d)) *
               static_cast<double>(p.n);
    };
    constexpr int kPanels = 2000;
    const double h = (static_cast<double>(b) - a) / kPanels;
    double sum = f(a) + f(b);
    for (int i = 1; i < kPanels; ++i) sum += (i % 2 ? 4.0 : 2.0) * f(a + i * h);
    return sum * h / 3.0 / (static_cast<double>(b) - a);
}

// Anti-aliasing: each output is the curve's mean over the step from the
// previous input to this one, for large steps and for steps too small for a
// difference quotient alike (no jump between the two); a repeated input
// gives the curve at that input.
TEST(TanhShaper, EachOutputIsTheCurvesMeanOverItsStep) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> dist(-1.2f, 1.2f);
    for (const float drive : kDrives) {
        engine::TanhShaperParams p;
        configureShaper(p, drive);
        engine::TanhShaperState s;
        float previous = 0.0f;
        for (int i = 0; i < 400; ++i) {
            float x = dist(rng);
            if (i % 4 == 1) x = previous + std::ldexp(1.0f, -16 - i % 9) * (i % 8 == 1 ? 1.0f : -1.0f);
            if (i % 8 == 3) x = previous;
            const float y = processShaper(p, s, x);
            if (x == previous)
                ASSERT_EQ(y, shaperCurve(p, x)) << drive << " " << x;
            else
                ASSERT_NEAR(y, curveMean(p, previous, x), 2e-6) << drive << " " << previous << " -> " << x;
            previous = x;
        }
    }
    engine::TanhShaperParams unbiased;
    engine::TanhShaperState zero;
    EXPECT_EQ(processShaper(unbiased, zero, 0.0f), 0.0f);
}

// The block form, whatever the block lengths and wherever the history is
// forgotten, gives the step form's results bit for bit.
TEST(TanhShaper, BlockFormMatchesTheStepFormBitForBit) {
    engine::TanhShaperParams p;
    configureShaper(p, 0.8f);
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> dist(-1.2f, 1.2f);
    std::vector<float> in(5000), stepwise(in.size()), blockwise(in.size());
    engine::TanhShaperState stepState;
    for (size_t i = 0; i < in.size(); ++i) {
        in[i] = i % 7 == 3 && i > 0 ? in[i - 1] : dist(rng); // repeats take the other branch
        stepwise[i] = processShaper(p, stepState, in[i]);
    }
    engine::TanhShaperState blockState;
    for (size_t at = 0; at < in.size();) {
        const size_t count = std::min<size_t>(1 + rng() % engine::kShaperBlockMax, in.size() - at);
        if (rng() % 3 == 0) forgetShaperHistory(blockState);
        processShaperBlock(p, blockState, &in[at], &blockwise[at], static_cast<int>(count));
        at += count;
    }
    for (size_t i = 0; i < in.size(); ++i) ASSERT_EQ(blockwise[i], stepwise[i]) << i;
}

TEST(HalfbandDecimator, SymmetricHalfBandTapsWithUnitDcGain) {
    const engine::HalfbandTaps& t = engine::halfbandTaps();
    for (int d = 1; d <= 15; ++d) {
        EXPECT_NEAR(t.taps[15 - d], t.taps[15 + d], 1e-7f) << d;
        EXPECT_NEAR(t.taps[15 + d], 0.0f, d % 2 == 0 ? 1e-7f : 1.0f) << d;
    }
    // Peak output for a sine at the doubled rate (cycles per input sample).
    auto peak = [](double cycles) {
        engine::HalfbandDecimator dec;
        float p = 0.0f;
        for (int i = 0; i < 400; ++i) {
            const auto at = [&](int k) {
                return static_cast<float>(std::cos(2 * std::numbers::pi * cycles * k));
            };
            const float y = processHalfband(dec, engine::halfbandTaps(), at(2 * i), at(2 * i + 1));
            if (i > 40) p = std::max(p, std::fabs(y));
        }
        return p;
    };
    EXPECT_NEAR(peak(0.0), 1.0f, 1e-6f);
    EXPECT_NEAR(peak(0.02), 1.0f, 0.01f);
    EXPECT_LT(peak(0.40), 0.003f); // would fold down into the audible band
}

// Each path's block form against the pair-by-pair filter; a path this build or
// processor cannot run says skipped.
class HalfbandPath : public testing::TestWithParam<maths::SimdPath> {};

TEST_P(HalfbandPath, BlockProcessingMatchesPairByPair) {
    const maths::SimdPath path = GetParam();
    FENNROW_SKIP_UNLESS_AVAILABLE(path);
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    engine::HalfbandDecimator pairwise[2], blockwise[2];
    engine::HalfbandBlock block[2];
    for (int count : {1, 5, 64, 8, 13, 31, 2, 64, 63, 9, 1, 1, 40}) {
        std::vector<float> expected[2], got[2];
        for (int layer = 0; layer < 2; ++layer) {
            expected[layer].resize(count);
            got[layer].resize(count);
            beginHalfbandBlock(blockwise[layer], block[layer]);
            for (int j = 0; j < count; ++j) {
                const float a = dist(rng), b = dist(rng);
                block[layer].even[engine::kHalfbandHistory + j] = a;
                block[layer].odd[engine::kHalfbandHistory + j] = b;
                expected[layer][j] = processHalfband(pairwise[layer], engine::halfbandTaps(), a, b);
            }
        }
        finishHalfbandPair(path, blockwise[0], block[0], blockwise[1], block[1], engine::halfbandTaps(),
                           count, got[0].data(), got[1].data());
        for (int layer = 0; layer < 2; ++layer) {
            ASSERT_EQ(got[layer], expected[layer]) << count << " " << layer;
            const engine::HalfbandDecimator& bw = blockwise[layer];
            const engine::HalfbandDecimator& pw = pairwise[layer];
            ASSERT_TRUE(std::equal(bw.even, bw.even + engine::kHalfbandHistory, pw.even));
            ASSERT_TRUE(std::equal(bw.odd, bw.odd + engine::kHalfbandHistory, pw.odd));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryPath, HalfbandPath, test::kEverySimdPath, test::simdPathCaseName);

TEST(Svf, LowPassKeepsDcHighPassKeepsNyquist) {
    engine::Svf low, high;
    designSvf(low, tanf(3.1415927f * 1000.0f / 48000.0f), 1.4142f);
    designSvf(high, tanf(3.1415927f * 120.0f / 48000.0f), 1.4144272f);
    engine::Svf lowN = low, highN = high;
    float lo = 0, hi = 0, loPeak = 0, hiPeak = 0;
    for (int i = 0; i < 48000; ++i) {
        lo = svfLowPass(low, 1.0f);
        hi = svfHighPass(high, 1.0f);
        const float x = i % 2 ? -1.0f : 1.0f;
        const float l = svfLowPass(lowN, x), h = svfHighPass(highN, x);
        if (i > 24000) loPeak = std::max(loPeak, std::fabs(l)), hiPeak = std::max(hiPeak, std::fabs(h));
    }
    EXPECT_NEAR(lo, 1.0f, 1e-5f);
    EXPECT_EQ(hi, 0.0f); // decayed and flushed
    EXPECT_LT(loPeak, 0.01f);
    EXPECT_NEAR(hiPeak, 1.0f, 0.01f);
}

TEST(DcBlocker, OffsetDecaysWithAFiveHertzPoleToExactZero) {
    engine::DcBlocker dc;
    prepareDcBlocker(dc, 48000.0f);
    EXPECT_EQ(processDcBlocker(dc, 0.5f), 0.5f);
    for (int i = 1; i < 1528; ++i) processDcBlocker(dc, 0.5f); // one time constant, 1 / 10 pi s
    EXPECT_NEAR(dc.y, 0.5f * std::exp(-1.0f), 0.005f);
    for (int i = 0; i < 48000 * 2; ++i) processDcBlocker(dc, 0.5f);
    EXPECT_EQ(dc.y, 0.0f);
}

} // namespace
} // namespace fennrow::test
