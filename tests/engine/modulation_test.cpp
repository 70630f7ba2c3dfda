#include "engine/control_tick.h"
#include "engine/modulation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace fennrow::test {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

engine::CurveSet rampedArcs() {
    engine::CurveSet set = engine::defaultCurveSet();
    for (int c = engine::kCurveArcShape; c < engine::kCurveCount; ++c)
        for (int i = 0; i < engine::kCurvePoints; ++i) set.points[c][i] = engine::risingRampPoint(i);
    return set;
}

// The five arcs in curve order: shape, tone, drive, motion, spread.
using ArcValues = std::array<float, 5>;

// Every curve flat: the tone motion curve at `toneMotion`, the drive and
// level motion curves at `driveAndLevelMotion`, each arc at its value.
engine::CurveSet flatCurves(float toneMotion, float driveAndLevelMotion, const ArcValues& arcs) {
    engine::CurveSet set;
    const float values[engine::kCurveCount] = {
        toneMotion, driveAndLevelMotion, driveAndLevelMotion, arcs[0], arcs[1], arcs[2], arcs[3], arcs[4]};
    for (int c = 0; c < engine::kCurveCount; ++c) std::fill_n(set.points[c], engine::kCurvePoints, values[c]);
    return set;
}

// Arcs that lower nothing (+1) and move shape neither way (0).
constexpr ArcValues kRestingArcs = {0.0f, 1.0f, 1.0f, 1.0f, 1.0f};

engine::CurveSet restingCurves(int arc = 0, float value = kRestingArcs[0]) {
    ArcValues arcs = kRestingArcs;
    arcs[arc] = value;
    return flatCurves(0.0f, 1.0f, arcs);
}

// The values an arc lowers from their set values, with the arc that does it.
struct LoweredTarget {
    const char* name;
    int arc;
    float engine::ModulatedValues::*value;
};
constexpr LoweredTarget kLoweredTargets[] = {{"tone", 1, &engine::ModulatedValues::tone},
                                             {"drive", 2, &engine::ModulatedValues::drive},
                                             {"motion", 3, &engine::ModulatedValues::toneDepth},
                                             {"spread", 4, &engine::ModulatedValues::spread}};

engine::SoundParams armedParams() {
    engine::SoundParams p;
    p.motion = 0.8f;
    p.motionDriveDepth = 0.7f;
    p.motionLevelDepth = 0.6f;
    p.arcAmount = 0.9f;
    p.arcSpreadDepth = 0.5f;
    p.spread = 0.7f;
    p.arcDrift = 0.3f;
    return p;
}

// Every arc at full depth and no drift, so that a flat curve is a flat arc.
engine::SoundParams fullArcParams() {
    engine::SoundParams p;
    p.tone = 0.6f;
    p.drive = 0.7f;
    p.spread = 0.8f;
    p.shape = 0.4f;
    p.motion = 0.8f;
    p.motionToneDepth = 1.0f;
    p.motionDriveDepth = 0.5f;
    p.motionLevelDepth = 0.75f;
    p.arcAmount = 1.0f;
    p.arcDrift = 0.0f;
    p.arcShapeDepth = p.arcToneDepth = p.arcDriveDepth = p.arcMotionDepth = p.arcSpreadDepth = 1.0f;
    return p;
}

constexpr engine::BlockTiming kPlaying{37.25, 120.0f, true};

engine::ModulatedValues evaluate(const engine::SoundParams& p, const engine::CurveSet& c,
                                 const engine::BlockTiming& t = kPlaying) {
    engine::ArcSmoothing arcs;
    return evaluateModulation(p, c, t, 48000.0f, arcs);
}

void expectSameValues(const engine::ModulatedValues& a, const engine::ModulatedValues& b) {
    EXPECT_FLOAT_EQ(a.toneDepth, b.toneDepth);
    EXPECT_FLOAT_EQ(a.tone, b.tone);
    EXPECT_FLOAT_EQ(a.drive, b.drive);
    EXPECT_FLOAT_EQ(a.level, b.level);
    EXPECT_FLOAT_EQ(a.spread, b.spread);
    EXPECT_FLOAT_EQ(a.shape, b.shape);
}

// Without a position to follow the sound rests: the motion curves as if
// they changed nothing, every arc 0 and no drift, whatever is drawn.
TEST(Modulation, WithoutAPlayingPositionMotionRestsAndEveryArcIsZero) {
    const engine::SoundParams p = armedParams();
    engine::SoundParams undrifted = p;
    undrifted.arcDrift = 0.0f;
    const engine::ModulatedValues resting = evaluate(undrifted, flatCurves(0.0f, 1.0f, {}));
    EXPECT_EQ(resting.level, 1.0f);
    EXPECT_EQ(resting.shape, p.shape);
    for (const engine::BlockTiming t :
         {engine::BlockTiming{37.25, 120.0f, false}, engine::BlockTiming{kNaN, 120.0f, true},
          engine::BlockTiming{kInf, 120.0f, true}, engine::BlockTiming{-kInf, 120.0f, true}}) {
        for (const engine::CurveSet& curves :
             {rampedArcs(), flatCurves(-1.0f, -1.0f, {1.0f, -1.0f, -1.0f, -1.0f, -1.0f})}) {
            SCOPED_TRACE(::testing::Message() << t.beatPosition << (t.playing ? " playing" : " stopped"));
            expectSameValues(evaluate(p, curves, t), resting);
        }
    }
}

// An arc at +1 leaves its target at the set value; below, it lowers that
// target alone, in proportion to the arc and to amount times depth, and
// never below 0.
TEST(Modulation, EachArcLowersOnlyItsOwnTargetInProportion) {
    const engine::SoundParams p = fullArcParams();
    const engine::ModulatedValues untouched = evaluate(p, restingCurves());
    EXPECT_FLOAT_EQ(untouched.tone, p.tone);
    EXPECT_FLOAT_EQ(untouched.drive, p.drive);
    EXPECT_FLOAT_EQ(untouched.toneDepth, p.motion * p.motionToneDepth);
    EXPECT_FLOAT_EQ(untouched.spread, p.spread);
    for (const LoweredTarget& target : kLoweredTargets) {
        SCOPED_TRACE(target.name);
        const auto at = [&](float arc, float amount = 1.0f) {
            engine::SoundParams q = p;
            q.arcAmount = amount;
            return evaluate(q, restingCurves(target.arc, arc));
        };
        const float set = untouched.*target.value;
        float previous = set;
        for (const float arc : {0.5f, 0.0f, -0.5f, -1.0f}) {
            const engine::ModulatedValues v = at(arc);
            EXPECT_LT(v.*target.value, previous) << arc;
            EXPECT_GE(v.*target.value, 0.0f) << arc;
            previous = v.*target.value;
            for (const LoweredTarget& other : kLoweredTargets) {
                if (other.arc == target.arc) continue;
                EXPECT_FLOAT_EQ(v.*other.value, untouched.*other.value) << other.name;
            }
            EXPECT_FLOAT_EQ(v.level, 1.0f);
            EXPECT_FLOAT_EQ(v.shape, p.shape);
        }
        const float drop = set - at(0.0f).*target.value;
        EXPECT_NEAR(set - at(-1.0f).*target.value, 2.0f * drop, 1e-6f) << "in proportion to the arc";
        EXPECT_NEAR(set - at(0.0f, 0.5f).*target.value, 0.5f * drop, 1e-6f) << "and to amount times depth";
    }
}

// The shape arc moves shape up and down alike, and nothing else.
TEST(Modulation, TheShapeArcMovesShapeBothWaysAlike) {
    const engine::SoundParams p = fullArcParams();
    const engine::ModulatedValues untouched = evaluate(p, restingCurves());
    EXPECT_FLOAT_EQ(untouched.shape, p.shape);
    float previous = -1.0f;
    for (const float arc : {-1.0f, -0.5f, 0.5f, 1.0f}) {
        const engine::ModulatedValues v = evaluate(p, restingCurves(0, arc)),
                                      mirrored = evaluate(p, restingCurves(0, -arc));
        EXPECT_GT(v.shape, previous) << arc;
        previous = v.shape;
        EXPECT_NEAR(v.shape - p.shape, p.shape - mirrored.shape, 1e-6f) << arc;
        engine::ModulatedValues shapeAside = v;
        shapeAside.shape = untouched.shape;
        expectSameValues(shapeAside, untouched);
    }
}

// The tone motion curve moves the tone up and down around its set value, by
// up to half the tone depth; the drive and level curves leave their values
// at +1 and lower them toward -1, at -1 by motion times depth of the value.
TEST(Modulation, MotionMovesToneAroundItsValueAndLowersDriveAndLevel) {
    const engine::SoundParams p = fullArcParams();
    const auto at = [&](float toneCurve, float driveAndLevelCurve) {
        return evaluate(p, flatCurves(toneCurve, driveAndLevelCurve, kRestingArcs));
    };
    const engine::ModulatedValues rest = at(0.0f, 1.0f);
    EXPECT_FLOAT_EQ(rest.tone, p.tone);
    EXPECT_FLOAT_EQ(rest.drive, p.drive);
    EXPECT_FLOAT_EQ(rest.level, 1.0f);
    float previousTone = 0.0f, previousDrive = rest.drive, previousLevel = rest.level;
    for (const float curve : {-1.0f, -0.5f, 0.5f, 1.0f}) {
        const engine::ModulatedValues v = at(curve, 1.0f);
        EXPECT_GT(v.tone, previousTone) << curve;
        previousTone = v.tone;
        EXPECT_NEAR(v.tone - p.tone, p.tone - at(-curve, 1.0f).tone, 1e-6f) << curve;
        EXPECT_FLOAT_EQ(v.drive, rest.drive);
        EXPECT_FLOAT_EQ(v.level, rest.level);
    }
    EXPECT_FLOAT_EQ(at(1.0f, 1.0f).tone - p.tone, rest.toneDepth * 0.5f);
    for (const float curve : {0.5f, 0.0f, -0.5f, -1.0f}) {
        const engine::ModulatedValues v = at(0.0f, curve);
        EXPECT_LT(v.drive, previousDrive) << curve;
        EXPECT_LT(v.level, previousLevel) << curve;
        EXPECT_GE(v.level, 0.0f) << curve;
        previousDrive = v.drive;
        previousLevel = v.level;
        EXPECT_FLOAT_EQ(v.tone, rest.tone);
    }
    EXPECT_FLOAT_EQ(previousDrive, p.drive * (1.0f - p.motion * p.motionDriveDepth));
    EXPECT_FLOAT_EQ(previousLevel, 1.0f - p.motion * p.motionLevelDepth);
}

// An arc that changes glides to its new value, with a time constant of a
// tenth of a second whatever the rate; the shape arc follows at once.
TEST(Modulation, ArcChangesGlideOverATenthOfASecondShapeFollowsAtOnce) {
    const engine::SoundParams p = fullArcParams();
    const engine::CurveSet up = flatCurves(0.0f, 1.0f, {1.0f, 1.0f, 1.0f, 1.0f, 1.0f});
    const engine::CurveSet down = flatCurves(0.0f, 1.0f, {-1.0f, -1.0f, -1.0f, -1.0f, -1.0f});
    const engine::ModulatedValues from = evaluate(p, up), to = evaluate(p, down);
    for (const float rate : {44100.0f, 96000.0f}) {
        SCOPED_TRACE(rate);
        engine::ArcSmoothing arcs;
        evaluateModulation(p, up, kPlaying, rate, arcs);
        const auto expectRemaining = [&](const engine::ModulatedValues& v, float low, float high) {
            for (const LoweredTarget& target : kLoweredTargets) {
                const float remaining =
                    (v.*target.value - to.*target.value) / (from.*target.value - to.*target.value);
                EXPECT_GE(remaining, low) << target.name;
                EXPECT_LE(remaining, high) << target.name;
            }
        };
        engine::ModulatedValues v = evaluateModulation(p, down, kPlaying, rate, arcs);
        expectRemaining(v, 0.9f, 0.999f);
        EXPECT_FLOAT_EQ(v.shape, to.shape);
        const int ticksPerTenth = static_cast<int>(std::lround(0.1 * rate / engine::kControlPeriod));
        for (int tick = 1; tick < ticksPerTenth; ++tick)
            v = evaluateModulation(p, down, kPlaying, rate, arcs);
        expectRemaining(v, 0.35f, 0.385f); // 1/e
        for (int tick = 0; tick < 9 * ticksPerTenth; ++tick)
            v = evaluateModulation(p, down, kPlaying, rate, arcs);
        expectRemaining(v, 0.0f, 1e-4f);
    }
}

TEST(Modulation, PhaseAndLookupWrap) {
    const double cases[][2] = {{2.5, 0.5},  {-0.25, 0.75}, {1.0 - 1e-12, 0.0}, {3.0 - 1e-10, 0.0},
                               {kNaN, 0.0}, {kInf, 0.0},   {-kInf, 0.0},       {1e300, 0.0}};
    for (const auto& c : cases) EXPECT_EQ(engine::cyclePhase(c[0]), static_cast<float>(c[1])) << c[0];

    float curve[engine::kCurvePoints] = {};
    curve[0] = -1.0f;
    curve[1] = curve[63] = 1.0f;
    EXPECT_EQ(engine::curveLookup(curve, 0.5f / 64.0f), 0.0f);
    EXPECT_EQ(engine::curveLookup(curve, 63.5f / 64.0f), 0.0f); // from point 63 toward point 0
    EXPECT_EQ(engine::curveLookup(curve, std::nextafter(1.0f, 0.0f)), -1.0f + 0x1p-17f);
}

TEST(Modulation, MotionFollowsTheBeat) {
    engine::SoundParams p;
    p.motion = 1.0f;
    // Default motion curve -cos: +1 at point 32 (half a beat at rate 1), -1 at point 0.
    EXPECT_EQ(evaluate(p, engine::defaultCurveSet(), engine::BlockTiming{2.5, 120.0f, true}).tone, 1.0f);
    EXPECT_EQ(evaluate(p, engine::defaultCurveSet(), engine::BlockTiming{3.0, 120.0f, true}).tone, 0.0f);
}

TEST(Modulation, ArcAmountZeroRemovesEveryArc) {
    engine::SoundParams p = armedParams();
    p.arcAmount = 0.0f;
    engine::SoundParams undrifted = p;
    undrifted.arcDrift = 0.0f;
    for (double beat : {0.0, 3.3, 17.0, 101.9}) {
        const engine::BlockTiming t{beat, 120.0f, true};
        const engine::ModulatedValues a = evaluate(p, rampedArcs(), t),
                                      b = evaluate(undrifted, engine::defaultCurveSet(), t);
        EXPECT_EQ(a.tone, b.tone) << beat;
        EXPECT_EQ(a.drive, b.drive) << beat;
        EXPECT_EQ(a.spread, p.spread) << beat;
        EXPECT_EQ(a.shape, p.shape) << beat;
    }
}

TEST(Modulation, ArcPointsFallOnTheirBeatsAndDriftStaysInRange) {
    const engine::CurveSet curves = rampedArcs(); // 8 bars: point i at beat 32 i / 64 of each cycle
    for (int i = 0; i < engine::kCurvePoints; i += 9)
        EXPECT_EQ(engine::arcValue(curves.points[engine::kCurveArcTone],
                                   (32.0 * i / 64.0 + 96.0) * 0.25 / 8.0, 0.0f),
                  engine::risingRampPoint(i));
    float lo = 1.0f, hi = -1.0f;
    for (int i = 0; i < 6400; ++i) {
        const float v = engine::arcValue(curves.points[engine::kCurveArcTone], i / 64.0, 1.0f);
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    EXPECT_GE(lo, -1.0f);
    EXPECT_LE(hi, 1.0f);
    EXPECT_LT(lo, -0.4f);
    EXPECT_GT(hi, 0.4f);
    // Continuous over the whole cycle, the wrap from point 63 back to point 0
    // included: the ramp's steepest stretch, 63 to 0, falls 2 in 1/64 cycle.
    constexpr int kSteps = 6400;
    for (const float drift : {0.0f, 0.5f}) {
        float last = engine::arcValue(curves.points[engine::kCurveArcTone], 0.0, drift), largestStep = 0.0f;
        for (int i = 1; i <= 2 * kSteps; ++i) {
            const float v = engine::arcValue(curves.points[engine::kCurveArcTone],
                                             static_cast<double>(i) / kSteps, drift);
            largestStep = std::max(largestStep, std::fabs(v - last));
            last = v;
        }
        EXPECT_LT(largestStep, 2.0f * engine::kCurvePoints / kSteps * 1.25f) << drift;
    }
}

TEST(SampleClock, FollowsTheSongPositionOnlyWhenItCan) {
    const float nanF = std::numeric_limits<float>::quiet_NaN(), infF = std::numeric_limits<float>::infinity();
    struct Case {
        engine::BlockTiming timing;
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
        const engine::SampleClock clock = sampleClock(48000.0f, c.timing);
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
} // namespace fennrow::test
