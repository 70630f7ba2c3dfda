#include "engine/dc_blocker.h"
#include "engine/feedback_sine.h"
#include "engine/halfband_decimator.h"
#include "engine/linear_ramp.h"
#include "engine/one_pole.h"
#include "engine/svf.h"
#include "engine/tanh_shaper.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace fennrow {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

bool zeroOrNormal(float v) { return v == 0.0f || std::fabs(v) >= FLT_MIN; }

TEST(OnePole, CoefficientForTimeConstant) {
    struct Case {
        float seconds, rate, expected;
    };
    const Case cases[] = {
        {0.0f, 48000.0f, 1.0f},
        {-0.5f, 48000.0f, 1.0f},
        {kNaN, 48000.0f, 1.0f},
        {1.0f / 48000.0f, 48000.0f, 1.0f - expf(-1.0f)},
        {0.1f, 750.0f, 1.0f - expf(-1.0f / 75.0f)},
    };
    for (const Case& c : cases) EXPECT_EQ(onePoleCoefficient(c.seconds, c.rate), c.expected) << c.seconds;
}

TEST(OnePole, ZeroTimeJumpsAndTimeConstantReaches63Percent) {
    OnePole jump{0.25f, onePoleCoefficient(0.0f, 48000.0f)};
    EXPECT_EQ(stepOnePole(jump, 7.0f), 7.0f);

    OnePole pole{0.0f, onePoleCoefficient(0.01f, 48000.0f)};
    for (int i = 0; i < 480; ++i) stepOnePole(pole, 1.0f);
    EXPECT_NEAR(pole.value, 1.0f - std::exp(-1.0f), 1e-4f);
}

TEST(OnePole, DecayFlushesToExactZeroWithoutSubnormals) {
    OnePole pole{1.0f, 0.3f};
    int steps = 0;
    while (pole.value != 0.0f && steps < 10000) {
        stepOnePole(pole, 0.0f);
        ASSERT_TRUE(zeroOrNormal(pole.value));
        ASSERT_TRUE(pole.value == 0.0f || pole.value >= 1e-15f);
        ++steps;
    }
    EXPECT_EQ(pole.value, 0.0f);
}

TEST(LinearRamp, FirstSetJumpsThenChangesTakeExactlyLengthSamples) {
    LinearRamp ramp;
    ramp.length = 220;
    setRamp(ramp, 0.6f);
    EXPECT_EQ(advanceRamp(ramp), 0.6f);

    setRamp(ramp, 0.1f); // a step that does not divide evenly
    float v = 0.0f;
    for (int i = 0; i < 219; ++i) {
        v = advanceRamp(ramp);
        ASSERT_NE(v, 0.1f) << i;
    }
    EXPECT_EQ(advanceRamp(ramp), 0.1f);
    EXPECT_EQ(advanceRamp(ramp), 0.1f);
}

TEST(LinearRamp, SettingTheHeldValueStopsARunningRamp) {
    LinearRamp ramp;
    ramp.length = 10;
    setRamp(ramp, 0.0f);
    setRamp(ramp, 1.0f);
    for (int i = 0; i < 4; ++i) advanceRamp(ramp);
    const float held = ramp.current;
    setRamp(ramp, held);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(advanceRamp(ramp), held);

    // The same input as last time leaves a running ramp alone.
    setRamp(ramp, 2.0f);
    advanceRamp(ramp);
    setRamp(ramp, 2.0f);
    for (int i = 0; i < 9; ++i) advanceRamp(ramp);
    EXPECT_EQ(ramp.current, 2.0f);
}

TEST(LinearRamp, ZeroLengthJumps) {
    LinearRamp ramp;
    ramp.length = 0;
    setRamp(ramp, 0.0f);
    setRamp(ramp, 0.5f);
    EXPECT_EQ(advanceRamp(ramp), 0.5f);
}

TEST(FeedbackSine, WithoutFeedbackIsASineOfTheWrappedPhase) {
    FeedbackSine osc;
    double phase = 0.0;
    for (int i = 0; i < 100; ++i) {
        phase += 0.13;
        if (phase >= 1.0) phase -= 1.0;
        EXPECT_EQ(stepFeedbackSine(osc, 0.13, 0.0f), sinf(static_cast<float>(phase) * 2.0f * 3.1415927f));
        EXPECT_LT(osc.phase, 1.0);
    }
    resetFeedbackSine(osc);
    EXPECT_EQ(osc.phase, 0.0);
    EXPECT_EQ(osc.y1, 0.0f);
    EXPECT_EQ(osc.y2, 0.0f);
}

TEST(FeedbackSine, FeedbackUsesTheMeanOfTheLastTwoOutputs) {
    FeedbackSine osc;
    osc.y1 = 0.5f;
    osc.y2 = -0.25f;
    const float out = stepFeedbackSine(osc, 0.1, 0.8f);
    EXPECT_EQ(out, sinf(static_cast<float>(0.1) * 2.0f * 3.1415927f + 0.25f * 0.4f));
    EXPECT_EQ(osc.y2, 0.5f);
    EXPECT_EQ(osc.y1, out);
}

TEST(TanhShaper, MinusOneMapsToMinusOneForEveryDrive) {
    for (float drive : {0.0f, 0.25f, 0.6f, 0.7f, 1.0f}) {
        TanhShaperParams p;
        configureShaper(p, drive);
        EXPECT_FLOAT_EQ(shaperCurve(p, -1.0f), -1.0f) << drive;
        EXPECT_NEAR(shaperAntiderivative(p, 0.0f), 0.0, 1e-12) << drive;
    }
}

TEST(TanhShaper, RepeatedInputUsesTheMidpointCurve) {
    TanhShaperParams p;
    configureShaper(p, 0.65f);
    TanhShaperState s;
    processShaper(p, s, 0.3f);
    EXPECT_EQ(processShaper(p, s, 0.3f), (tanhf((0.3f + p.b) * p.g) - p.d) * p.n);

    TanhShaperParams unbiased; // defaults: b = 0
    TanhShaperState zero;
    EXPECT_EQ(processShaper(unbiased, zero, 0.0f), 0.0f);
    EXPECT_EQ(processShaper(unbiased, zero, 0.0f), 0.0f);
}

TEST(TanhShaper, SlowInputFollowsTheStaticCurve) {
    TanhShaperParams p;
    configureShaper(p, 1.0f);
    TanhShaperState s;
    s.previous = -1.0f;
    for (int i = 1; i <= 2000; ++i) {
        const float x = -1.0f + static_cast<float>(i) * 0.001f;
        const float mid = x - 0.0005f;
        EXPECT_NEAR(processShaper(p, s, x), shaperCurve(p, mid), 2e-3f) << x;
    }
}

TEST(TanhShaper, StepAndBlockFormsGiveThePlainFormulaBitForBit) {
    TanhShaperParams p;
    configureShaper(p, 0.8f);
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> dist(-1.2f, 1.2f);
    std::vector<float> in(5000), plain(5000);
    float previous = 0.0f;
    for (size_t i = 0; i < in.size(); ++i) {
        const float x = i % 7 == 3 ? previous : dist(rng); // exercise the midpoint branch too
        const double diff = static_cast<double>(x) - static_cast<double>(previous);
        if (std::fabs(diff) < 1e-6) {
            const float mid = static_cast<float>((static_cast<double>(x) + previous) * 0.5);
            plain[i] = (tanhf((mid + p.b) * p.g) - p.d) * p.n;
        } else {
            plain[i] = static_cast<float>((shaperAntiderivative(p, x) - shaperAntiderivative(p, previous)) / diff);
        }
        in[i] = previous = x;
    }
    TanhShaperState stepwise;
    for (size_t i = 0; i < in.size(); ++i) ASSERT_EQ(processShaper(p, stepwise, in[i]), plain[i]) << i;

    TanhShaperState blockwise;
    std::vector<float> out(in.size());
    for (size_t at = 0; at < in.size();) {
        const int count = std::min<int>(1 + static_cast<int>(rng() % kShaperBlockMax), static_cast<int>(in.size() - at));
        if (rng() % 3 == 0) forgetShaperHistory(blockwise);
        processShaperBlock(p, blockwise, in.data() + at, out.data() + at, count);
        at += static_cast<size_t>(count);
    }
    for (size_t i = 0; i < in.size(); ++i) ASSERT_EQ(out[i], plain[i]) << i;
}

TEST(HalfbandDecimator, TapsAreSymmetricHalfBandWithUnitDcGain) {
    const HalfbandTaps& t = halfbandTaps();
    float sum = 0.0f;
    for (int k = 0; k < kHalfbandTapCount; ++k) sum += t.taps[k];
    EXPECT_NEAR(sum, 1.0f, 1e-6f);
    EXPECT_NEAR(t.taps[15], 0.5f, 0.01f);
    for (int d = 1; d <= 15; ++d) {
        EXPECT_NEAR(t.taps[15 - d], t.taps[15 + d], 1e-7f) << d;
        if (d % 2 == 0) {
            EXPECT_NEAR(t.taps[15 + d], 0.0f, 1e-7f) << d;
        } else if (d < 15) { // the window itself ends at ~0
            EXPECT_GT(std::fabs(t.taps[15 + d]), 1e-5f) << d;
        }
    }
}

TEST(HalfbandDecimator, PassesDcAndLowTonesAndStopsHighOnes) {
    HalfbandDecimator dc;
    float out = 0.0f;
    for (int i = 0; i < 40; ++i) out = processHalfband(dc, halfbandTaps(), 1.0f, 1.0f);
    EXPECT_NEAR(out, 1.0f, 1e-6f);

    // Peak output for a sine at the doubled rate, in cycles per input sample.
    auto peak = [](double cycles) {
        HalfbandDecimator dec;
        float p = 0.0f;
        for (int i = 0; i < 400; ++i) {
            const float a = static_cast<float>(std::sin(2 * M_PI * cycles * (2 * i)));
            const float b = static_cast<float>(std::sin(2 * M_PI * cycles * (2 * i + 1)));
            const float y = processHalfband(dec, halfbandTaps(), a, b);
            if (i > 40) p = std::max(p, std::fabs(y));
        }
        return p;
    };
    EXPECT_NEAR(peak(0.02), 1.0f, 0.01f);
    EXPECT_LT(peak(0.40), 0.003f); // would fold down into the audible band
}

TEST(HalfbandDecimator, BlockProcessingMatchesPairByPair) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    HalfbandDecimator pairwise, blockwise;
    HalfbandBlock block;
    for (int count : {1, 5, 64, 8, 13, 31, 2, 64, 63, 9, 1, 1, 40}) {
        std::vector<float> a(count), b(count), expected(count), got(count);
        for (int j = 0; j < count; ++j) {
            a[j] = dist(rng);
            b[j] = dist(rng);
            expected[j] = processHalfband(pairwise, halfbandTaps(), a[j], b[j]);
        }
        beginHalfbandBlock(blockwise, block);
        for (int j = 0; j < count; ++j) {
            block.even[kHalfbandHistory + j] = a[j];
            block.odd[kHalfbandHistory + j] = b[j];
        }
        finishHalfbandBlock(blockwise, block, halfbandTaps(), count, got.data());
        for (int j = 0; j < count; ++j) ASSERT_EQ(got[j], expected[j]) << count << " " << j;
        ASSERT_EQ(blockwise.writePos, pairwise.writePos);
        for (int k = 0; k < kHalfbandTapCount; ++k) ASSERT_EQ(blockwise.ring[k], pairwise.ring[k]) << k;
    }
}

TEST(Svf, LowPassKeepsDcAndHighPassRemovesIt) {
    const float sr = 48000.0f;
    Svf low, high;
    designSvf(low, tanf(3.1415927f * 1000.0f / sr), 1.4142f);
    designSvf(high, tanf(3.1415927f * 120.0f / sr), 1.4144272f);
    float lo = 0.0f, hi = 1.0f;
    for (int i = 0; i < 48000; ++i) {
        lo = svfLowPass(low, 1.0f);
        hi = svfHighPass(high, 1.0f);
    }
    EXPECT_NEAR(lo, 1.0f, 1e-5f);
    EXPECT_NEAR(hi, 0.0f, 1e-5f);

    // A tone at half the sample rate: the low-pass stops it, the high-pass keeps it.
    Svf low2, high2;
    designSvf(low2, tanf(3.1415927f * 1000.0f / sr), 1.4142f);
    designSvf(high2, tanf(3.1415927f * 120.0f / sr), 1.4144272f);
    float loPeak = 0.0f, hiPeak = 0.0f;
    for (int i = 0; i < 4800; ++i) {
        const float x = i % 2 ? -1.0f : 1.0f;
        const float l = svfLowPass(low2, x), h = svfHighPass(high2, x);
        if (i > 2400) {
            loPeak = std::max(loPeak, std::fabs(l));
            hiPeak = std::max(hiPeak, std::fabs(h));
        }
    }
    EXPECT_LT(loPeak, 0.01f);
    EXPECT_NEAR(hiPeak, 1.0f, 0.01f);
}

TEST(Svf, UndesignedFilterIsSilentAndStatesFlush) {
    Svf idle;
    EXPECT_EQ(svfLowPass(idle, 1.0f), 0.0f);
    Svf f;
    designSvf(f, 0.1f, 1.0f);
    svfLowPass(f, 1.0f);
    int steps = 0;
    while ((f.ic1 != 0.0f || f.ic2 != 0.0f) && steps < 100000) {
        svfLowPass(f, 0.0f);
        ASSERT_TRUE(zeroOrNormal(f.ic1) && zeroOrNormal(f.ic2));
        ++steps;
    }
    EXPECT_EQ(f.ic1, 0.0f);
    EXPECT_EQ(f.ic2, 0.0f);
}

TEST(DcBlocker, RemovesAnOffsetWithAFiveHertzPole) {
    DcBlocker dc;
    EXPECT_EQ(dc.pole, 1.0f);
    prepareDcBlocker(dc, 48000.0f);
    EXPECT_EQ(dc.pole, 1.0f - 31.415928f / 48000.0f);
    EXPECT_EQ(processDcBlocker(dc, 0.5f), 0.5f);
    // One time constant (1 / 10 pi seconds) later the offset is down to 1/e.
    for (int i = 1; i < 1528; ++i) processDcBlocker(dc, 0.5f);
    EXPECT_NEAR(dc.y, 0.5f * std::exp(-1.0f), 0.005f);
    int steps = 0;
    while (dc.y != 0.0f && steps < 48000 * 10) {
        processDcBlocker(dc, 0.5f);
        ++steps;
    }
    EXPECT_EQ(dc.y, 0.0f);
}

} // namespace
} // namespace fennrow
