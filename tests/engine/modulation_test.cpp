#include "engine/control_tick.h"
#include "engine/modulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace fennrow {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

CurveSet rampedArcs() {
    CurveSet set = defaultCurveSet();
    for (int c = kCurveArcShape; c < kCurveCount; ++c)
        for (int i = 0; i < kCurvePoints; ++i) set.points[c][i] = risingRampPoint(i);
    return set;
}

SoundParams armedParams() {
    SoundParams p;
    p.motion = 0.8f;
    p.motionDriveDepth = 0.7f;
    p.motionLevelDepth = 0.6f;
    p.arcAmount = 0.9f;
    p.arcSpreadDepth = 0.5f;
    p.spread = 0.7f;
    p.arcDrift = 0.3f;
    return p;
}

ModulatedValues evaluate(const SoundParams& p, const CurveSet& c, const BlockTiming& t) {
    ArcSmoothing arcs;
    return evaluateModulation(p, c, t, 48000.0f, arcs);
}

TEST(Modulation, StoppedOrUnusableTransportGivesNeutralValues) {
    const SoundParams p = armedParams();
    const float a = p.arcAmount;
    for (const BlockTiming t : {BlockTiming{37.25, 120.0f, false}, BlockTiming{kNaN, 120.0f, true},
                                BlockTiming{kInf, 120.0f, true}, BlockTiming{-kInf, 120.0f, true}}) {
        SCOPED_TRACE(t.beatPosition);
        const ModulatedValues v = evaluate(p, rampedArcs(), t);
        EXPECT_EQ(v.toneDepth, p.motion * (1.0f - a * p.arcMotionDepth * 0.3f) * p.motionToneDepth);
        EXPECT_EQ(v.tone, p.tone * (1.0f - a * p.arcToneDepth * 0.4f));
        EXPECT_EQ(v.drive, p.drive * (1.0f - a * p.arcDriveDepth * 0.175f));
        EXPECT_EQ(v.level, 1.0f);
        EXPECT_EQ(v.spread, p.spread * (1.0f - a * p.arcSpreadDepth * 0.5f));
        EXPECT_EQ(v.shape, p.shape);
    }
}

TEST(Modulation, PhaseAndLookupWrap) {
    const double cases[][2] = {{2.5, 0.5},  {-0.25, 0.75}, {1.0 - 1e-12, 0.0}, {3.0 - 1e-10, 0.0},
                               {kNaN, 0.0}, {kInf, 0.0},   {-kInf, 0.0},       {1e300, 0.0}};
    for (const auto& c : cases) EXPECT_EQ(cyclePhase(c[0]), static_cast<float>(c[1])) << c[0];

    float curve[kCurvePoints] = {};
    curve[0] = -1.0f;
    curve[1] = curve[63] = 1.0f;
    EXPECT_EQ(curveLookup(curve, 0.5f / 64.0f), 0.0f);
    EXPECT_EQ(curveLookup(curve, 63.5f / 64.0f), 0.0f); // from point 63 toward point 0
    EXPECT_EQ(curveLookup(curve, std::nextafter(1.0f, 0.0f)), -1.0f + 0x1p-17f);
}

TEST(Modulation, MotionFollowsTheBeat) {
    SoundParams p;
    p.motion = 1.0f;
    // Default motion curve -cos: +1 at point 32 (half a beat at rate 1), -1 at point 0.
    EXPECT_EQ(evaluate(p, defaultCurveSet(), BlockTiming{2.5, 120.0f, true}).tone, 1.0f);
    EXPECT_EQ(evaluate(p, defaultCurveSet(), BlockTiming{3.0, 120.0f, true}).tone, 0.0f);
}

TEST(Modulation, ArcAmountZeroRemovesEveryArc) {
    SoundParams p = armedParams();
    p.arcAmount = 0.0f;
    SoundParams undrifted = p;
    undrifted.arcDrift = 0.0f;
    for (double beat : {0.0, 3.3, 17.0, 101.9}) {
        const BlockTiming t{beat, 120.0f, true};
        const ModulatedValues a = evaluate(p, rampedArcs(), t), b = evaluate(undrifted, defaultCurveSet(), t);
        EXPECT_EQ(a.tone, b.tone) << beat;
        EXPECT_EQ(a.drive, b.drive) << beat;
        EXPECT_EQ(a.spread, p.spread) << beat;
        EXPECT_EQ(a.shape, p.shape) << beat;
    }
}

TEST(Modulation, ArcPointsFallOnTheirBeatsAndDriftStaysInRange) {
    const CurveSet curves = rampedArcs(); // 8 bars: point i at beat 32 i / 64 of each cycle
    for (int i = 0; i < kCurvePoints; i += 9)
        EXPECT_EQ(arcValue(curves.points[kCurveArcTone], (32.0 * i / 64.0 + 96.0) * 0.25 / 8.0, 0.0f),
                  risingRampPoint(i));
    float lo = 1.0f, hi = -1.0f;
    for (int i = 0; i < 6400; ++i) {
        const float v = arcValue(curves.points[kCurveArcTone], i / 64.0, 1.0f);
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    EXPECT_GE(lo, -1.0f);
    EXPECT_LE(hi, 1.0f);
    EXPECT_LT(lo, -0.4f);
    EXPECT_GT(hi, 0.4f);
}

TEST(SampleClock, FollowsTheSongPositionOnlyWhenItCan) {
    const float nanF = std::numeric_limits<float>::quiet_NaN(), infF = std::numeric_limits<float>::infinity();
    struct Case {
        BlockTiming timing;
        bool clocked;
        int64_t base;
    };
    const Case cases[] = {
        {{8.01, 120.0f, true}, true, 192240}, {{-1.0, 120.0f, true}, true, -24000},
        {{8.0, 120.0f, false}, false, 0},     {{8.0, 0.0f, true}, false, 0},
        {{8.0, -60.0f, true}, false, 0},      {{8.0, nanF, true}, false, 0},
        {{8.0, infF, true}, false, 0},        {{kNaN, 120.0f, true}, false, 0},
        {{kInf, 120.0f, true}, false, 0},     {{1e300, 120.0f, true}, false, 0},
        {{1.0, 1e-30f, true}, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.timing.beatPosition << " " << c.timing.tempo);
        const SampleClock clock = sampleClock(48000.0f, c.timing);
        EXPECT_EQ(clock.clocked, c.clocked);
        EXPECT_EQ(clock.base, c.base);
        // Unclocked ticks all see the slice's start position.
        const double expected =
            clock.clocked ? static_cast<double>(c.base + 64) / clock.samplesPerBeat : c.timing.beatPosition;
        const double at64 = tickTiming(clock, c.timing, 64).beatPosition;
        EXPECT_TRUE(at64 == expected || (std::isnan(at64) && std::isnan(expected)));
    }
}

} // namespace
} // namespace fennrow
