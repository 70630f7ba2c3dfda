#include "engine/control_tick.h"
#include "engine/modulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace fennrow {
namespace {

constexpr float kRate = 48000.0f;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

CurveSet rampCurves() {
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

ModulatedValues evaluate(const SoundParams& p, const CurveSet& c, BlockTiming t) {
    ArcSmoothing arcs;
    return evaluateModulation(p, c, t, kRate, arcs);
}

void expectStoppedValues(const SoundParams& p, const ModulatedValues& v) {
    const float a = p.arcAmount;
    const float m = p.motion * (1.0f - a * p.arcMotionDepth * 0.3f);
    EXPECT_EQ(v.toneDepth, m * p.motionToneDepth);
    EXPECT_EQ(v.tone, p.tone * (1.0f - a * p.arcToneDepth * 0.4f));
    EXPECT_EQ(v.drive, p.drive * (1.0f - a * p.arcDriveDepth * 0.175f));
    EXPECT_EQ(v.level, 1.0f);
    EXPECT_EQ(v.spread, p.spread * (1.0f - a * p.arcSpreadDepth * 0.5f));
    EXPECT_EQ(v.shape, p.shape);
}

TEST(Modulation, StoppedOrUnusableTransportGivesNeutralValues) {
    const struct {
        BlockTiming timing;
    } cases[] = {
        {{37.25, 120.0f, false}},
        {{kNaN, 120.0f, true}},
        {{kInf, 120.0f, true}},
        {{-kInf, 120.0f, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.timing.beatPosition);
        expectStoppedValues(armedParams(), evaluate(armedParams(), rampCurves(), c.timing));
    }
}

TEST(Modulation, CyclePhaseStaysBelowOne) {
    struct Case {
        double cycles;
        float phase;
    };
    const Case cases[] = {
        {2.5, 0.5f},     {-0.25, 0.75f},        {1.0 - 1e-12, 0.0f}, {3.0 - 1e-10, 0.0f},
        {kNaN, 0.0f},    {kInf, 0.0f},          {-kInf, 0.0f},       {1e300, 0.0f},
    };
    for (const Case& c : cases) EXPECT_EQ(cyclePhase(c.cycles), c.phase) << c.cycles;
}

TEST(Modulation, CurveLookupInterpolatesAndWraps) {
    float curve[kCurvePoints] = {};
    curve[0] = -1.0f;
    curve[1] = 1.0f;
    curve[63] = 1.0f;
    EXPECT_EQ(curveLookup(curve, 0.0f), -1.0f);
    EXPECT_EQ(curveLookup(curve, 0.5f / 64.0f), 0.0f);
    EXPECT_EQ(curveLookup(curve, 63.5f / 64.0f), 0.0f); // from point 63 toward point 0
    EXPECT_EQ(curveLookup(curve, std::nextafter(1.0f, 0.0f)), -1.0f + 0x1p-17f);
}

TEST(Modulation, MotionRateOneReadsTheMiddleAtHalfBeats) {
    SoundParams p;
    p.motion = 1.0f;
    p.motionToneDepth = 1.0f;
    p.tone = 0.5f;
    // Default motion curve: -cos, +1 at point 32. Tone moves up by half of D.
    const ModulatedValues v = evaluate(p, defaultCurveSet(), BlockTiming{2.5, 120.0f, true});
    EXPECT_EQ(v.tone, 1.0f);
    const ModulatedValues start = evaluate(p, defaultCurveSet(), BlockTiming{3.0, 120.0f, true});
    EXPECT_EQ(start.tone, 0.0f); // point 0 is -1: half of D below the set tone
}

TEST(Modulation, ArcAmountZeroRemovesEveryArc) {
    SoundParams p = armedParams();
    p.arcAmount = 0.0f;
    SoundParams otherDrift = p;
    otherDrift.arcDrift = 0.0f;
    CurveSet flatArcs = defaultCurveSet();
    for (double beat : {0.0, 3.3, 17.0, 101.9}) {
        SCOPED_TRACE(beat);
        const BlockTiming t{beat, 120.0f, true};
        const ModulatedValues a = evaluate(p, rampCurves(), t);
        const ModulatedValues b = evaluate(otherDrift, flatArcs, t);
        EXPECT_EQ(a.tone, b.tone);
        EXPECT_EQ(a.drive, b.drive);
        EXPECT_EQ(a.toneDepth, p.motion * p.motionToneDepth);
        EXPECT_EQ(a.spread, p.spread);
        EXPECT_EQ(a.shape, p.shape);
    }
}

TEST(Modulation, ArcPointsFallOnTheirBeats) {
    // 8 bars of 4 beats: point i of the drawn curve at beat 32 i / 64.
    const CurveSet curves = rampCurves();
    for (int i = 0; i < kCurvePoints; i += 9) {
        const double beat = 32.0 * i / 64.0 + 32.0 * 3; // fourth cycle
        EXPECT_EQ(arcValue(curves.points[kCurveArcTone], beat * 0.25 / 8.0, 0.0f), risingRampPoint(i)) << i;
    }
}

TEST(Modulation, FullDriftWandersWithinRangeWithoutRepeating) {
    const float flat[kCurvePoints] = {};
    float lo = 1.0f, hi = -1.0f;
    int repeats = 0;
    for (int i = 0; i < 6400; ++i) {
        const float v = arcValue(flat, i / 64.0, 1.0f);
        ASSERT_GE(v, -1.0f);
        ASSERT_LE(v, 1.0f);
        lo = std::min(lo, v);
        hi = std::max(hi, v);
        if (v == arcValue(flat, i / 64.0 + 1.0, 1.0f)) ++repeats;
    }
    EXPECT_LT(lo, -0.4f);
    EXPECT_GT(hi, 0.4f);
    EXPECT_LT(repeats, 64);
}

TEST(Modulation, ArcSmoothersJumpOnceThenFollowInATenthOfASecond) {
    SoundParams p = armedParams();
    p.arcDrift = 0.0f;
    p.arcAmount = 1.0f;
    CurveSet curves{};
    for (float& v : curves.points[kCurveArcTone]) v = 1.0f;
    ArcSmoothing arcs;
    evaluateModulation(p, curves, BlockTiming{0.0, 120.0f, true}, kRate, arcs);
    EXPECT_EQ(arcs.smoothers[kArcTone].value, p.arcToneDepth);
    // Transport stops: the arcs head for 0 with a 0.1 s time constant (75 ticks).
    for (int tick = 0; tick < 75; ++tick) evaluateModulation(p, curves, BlockTiming{}, kRate, arcs);
    EXPECT_NEAR(arcs.smoothers[kArcTone].value, p.arcToneDepth * std::exp(-1.0f), 0.01f);
}

TEST(SampleClock, FollowsTheSongPositionOnlyWhenItCan) {
    struct Case {
        BlockTiming timing;
        bool clocked;
        int64_t base;
    };
    const float infF = std::numeric_limits<float>::infinity();
    const Case cases[] = {
        {{8.01, 120.0f, true}, true, 192240},
        {{-1.0, 120.0f, true}, true, -24000},
        {{8.0, 120.0f, false}, false, 0},
        {{8.0, 0.0f, true}, false, 0},
        {{8.0, -60.0f, true}, false, 0},
        {{8.0, std::numeric_limits<float>::quiet_NaN(), true}, false, 0},
        {{8.0, infF, true}, false, 0},
        {{kNaN, 120.0f, true}, false, 0},
        {{kInf, 120.0f, true}, false, 0},
        {{1e300, 120.0f, true}, false, 0},
        {{1.0, 1e-30f, true}, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.timing.beatPosition << " " << c.timing.tempo);
        const SampleClock clock = sampleClock(kRate, c.timing);
        EXPECT_EQ(clock.clocked, c.clocked);
        if (clock.clocked) {
            EXPECT_EQ(clock.base, c.base);
        }
        const BlockTiming at64 = tickTiming(clock, c.timing, 64);
        if (clock.clocked) {
            EXPECT_EQ(at64.beatPosition, static_cast<double>(c.base + 64) / clock.samplesPerBeat);
        } else {
            // Unclocked ticks all see the slice's start position.
            EXPECT_TRUE(at64.beatPosition == c.timing.beatPosition ||
                        (std::isnan(at64.beatPosition) && std::isnan(c.timing.beatPosition)));
        }
    }
}

} // namespace
} // namespace fennrow
