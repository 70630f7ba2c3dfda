#include "engine/synth_engine.h"
#include "maths/simd.h"
#include "reference_render.h"
#include "scenario.h"
#include "support/allocation_probe.h"
#include "support/simd_paths.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

namespace fennrow::test {
namespace {

using test::ScenarioOptions;

struct Output {
    std::vector<float> left, right;
};

Output render(engine::SynthEngine& e, const engine::SoundParams& p, const engine::BlockTiming& t,
              uint32_t frames) {
    Output out{std::vector<float>(frames), std::vector<float>(frames)};
    engineRender(e, p, engine::defaultCurveSet(), t, out.left.data(), out.right.data(), frames);
    return out;
}

Output scenario(const ScenarioOptions& o, test::RenderFunction renderer = engine::engineRender) {
    Output out;
    test::runScenario(o, renderer, out.left, out.right);
    return out;
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// engineRender on the forms of one path, whatever this processor would pick.
template <maths::SimdPath kPath>
void renderOn(engine::SynthEngine& e, const engine::SoundParams& p, const engine::CurveSet& curves,
              const engine::BlockTiming& t, float* left, float* right, uint32_t frames) {
    e.simdPath = kPath;
    engineRender(e, p, curves, t, left, right, frames);
}

// Indexed by SimdPath.
const test::RenderFunction kPathRenders[] = {
    renderOn<maths::SimdPath::Scalar>, renderOn<maths::SimdPath::Sse2>, renderOn<maths::SimdPath::Avx2>};

// A path's forms run where the path is available: in a build without SIMD
// only the scalar ones are built.
class SynthEnginePath : public testing::TestWithParam<maths::SimdPath> {};

TEST_P(SynthEnginePath, ChunkedRenderMatchesThePlainLoopBitForBit) {
    const maths::SimdPath path = GetParam();
    FENNROW_SKIP_UNLESS_AVAILABLE(path);
    uint32_t seed = 11;
    for (float rate : {48000.0f, 44100.0f, 8000.0f, 1005.0f, 192000.0f}) {
        for (int run = 0; run < 3; ++run, ++seed) {
            ScenarioOptions o;
            o.seed = seed;
            o.sampleRate = rate;
            o.frames = std::max<uint64_t>(24000, static_cast<uint64_t>(rate * 1.5f));
            o.hostile = run == 2;
            const Output onPath = scenario(o, kPathRenders[static_cast<int>(path)]);
            const Output plain = scenario(o, test::referenceRender);
            float loudest = 0.0f;
            for (float v : onPath.left) loudest = std::max(loudest, std::fabs(v));
            EXPECT_GT(loudest, 0.05f) << seed; // the session did play notes
            EXPECT_TRUE(sameBits(onPath.left, plain.left)) << seed;
            EXPECT_TRUE(sameBits(onPath.right, plain.right)) << seed;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryPath, SynthEnginePath, test::kEverySimdPath, test::simdPathCaseName);

TEST(SynthEngine, OutputIsAlwaysFiniteNormalAndComplete) {
    uint32_t seed = 100;
    for (float rate : {1000.0f, 8000.0f, 22050.0f, 44100.0f, 96000.0f, 384000.0f, 768000.0f}) {
        for (uint32_t longest : {5u, 16384u}) {
            ScenarioOptions o;
            o.seed = seed++;
            o.sampleRate = rate;
            o.frames = std::max<uint64_t>(48000, static_cast<uint64_t>(rate * 0.5f));
            o.longestSlice = longest;
            o.hostile = true;
            const Output out = scenario(o);
            ASSERT_EQ(out.left.size(), o.frames);
            for (const std::vector<float>* channel : {&out.left, &out.right})
                for (size_t i = 0; i < channel->size(); ++i) {
                    const float v = (*channel)[i];
                    ASSERT_TRUE(std::isfinite(v) && (v == 0.0f || std::fabs(v) >= FLT_MIN) &&
                                std::fabs(v) < 16.0f)
                        << "rate " << rate << " frame " << i << " value " << v;
                }
        }
    }
}

TEST(SynthEngine, ArcCurvesFarOutsideTheirRangeStillGiveFiniteOutput) {
    for (int curve = engine::kCurveArcShape; curve < engine::kCurveCount; ++curve) {
        for (float point : {100.0f, 1e6f, 1e30f, -3e38f}) {
            engine::SynthEngine e;
            enginePrepare(e, 48000.0f);
            engine::SoundParams p;
            p.arcAmount = 1.0f;
            p.arcDrift = 0.0f;
            p.arcSpreadDepth = 1.0f;
            p.motion = 1.0f;
            p.spread = 1.0f;
            engine::CurveSet curves = engine::defaultCurveSet();
            for (float& v : curves.points[curve]) v = point;
            engineNoteOn(e, 40, 1.0f);
            std::vector<float> left(256), right(256);
            for (int block = 0; block < 40; ++block) {
                const engine::BlockTiming t{block * 256.0 / 24000.0, 120.0f, true};
                engineRender(e, p, curves, t, left.data(), right.data(), 256);
                for (size_t i = 0; i < left.size(); ++i)
                    ASSERT_TRUE(std::isfinite(left[i]) && std::isfinite(right[i]))
                        << "curve " << curve << " point " << point << " block " << block;
            }
        }
    }
}

TEST(SynthEngine, SpreadZeroIsMono) {
    for (uint32_t seed = 40; seed < 44; ++seed) {
        ScenarioOptions o;
        o.seed = seed;
        o.monoSpread = true;
        const Output out = scenario(o);
        EXPECT_TRUE(sameBits(out.left, out.right)) << seed;
    }
}

TEST(SynthEngine, TicksFallEvery64SamplesWhateverTheSlices) {
    const engine::SoundParams p = test::randomParams(5);
    engine::SynthEngine whole, sliced;
    enginePrepare(whole, 48000.0f);
    enginePrepare(sliced, 48000.0f);
    engineNoteOn(whole, 40, 0.9f);
    engineNoteOn(sliced, 40, 0.9f);
    const Output expected = render(whole, p, engine::BlockTiming{4.0, 120.0f, true}, 1000);
    Output got;
    for (uint32_t f = 0; f < 1000; ++f) {
        const Output one = render(sliced, p, engine::BlockTiming{4.0 + f / 24000.0, 120.0f, true}, 1);
        got.left.push_back(one.left[0]);
        got.right.push_back(one.right[0]);
        ASSERT_EQ(sliced.tickCountdown, 63 - static_cast<int>(f % 64));
    }
    EXPECT_TRUE(sameBits(got.left, expected.left));
    EXPECT_TRUE(sameBits(got.right, expected.right));
}

// Amplitude of the component at `hz`.
double toneAmplitude(const std::vector<float>& x, double hz) {
    double re = 0.0, im = 0.0;
    for (size_t i = 0; i < x.size(); ++i) {
        re += x[i] * std::cos(2.0 * std::numbers::pi * hz * i / 48000.0);
        im += x[i] * std::sin(2.0 * std::numbers::pi * hz * i / 48000.0);
    }
    return 2.0 * std::hypot(re, im) / static_cast<double>(x.size());
}

Output heldNote(engine::SoundParams p, int key, uint32_t settle, uint32_t frames) {
    engine::SynthEngine e;
    enginePrepare(e, 48000.0f);
    engineNoteOn(e, key, 1.0f);
    render(e, p, engine::BlockTiming{}, settle);
    return render(e, p, engine::BlockTiming{}, frames);
}

TEST(SynthEngine, FullWeightIsAPureSineAtTheNoteFrequency) {
    engine::SoundParams p;
    p.weight = 1.0f;
    p.punch = 0.0f;
    p.shape = 0.6f; // sustains at full level
    p.drive = 1.0f;
    const Output out = heldNote(p, 57, 24000, 24000); // 220 Hz, 110 whole cycles
    EXPECT_TRUE(sameBits(out.left, out.right));
    const double fundamental = toneAmplitude(out.left, 220.0);
    EXPECT_NEAR(fundamental, 1.0, 0.01);
    for (double hz : {110.0, 230.0, 440.0, 660.0, 880.0}) EXPECT_LT(toneAmplitude(out.left, hz), 1e-3) << hz;
}

TEST(SynthEngine, OutputCarriesNoDc) {
    engine::SoundParams p;
    p.weight = 0.2f;
    p.drive = 1.0f; // the biased shaper makes DC before the filters
    p.shape = 0.6f;
    const Output out = heldNote(p, 33, 96000, 48000);
    double sum = 0.0, energy = 0.0;
    for (float v : out.left) sum += v, energy += static_cast<double>(v) * v;
    const double rms = std::sqrt(energy / out.left.size());
    EXPECT_GT(rms, 0.1);
    EXPECT_LT(std::fabs(sum / out.left.size()), rms * 1e-3);
}

TEST(SynthEngine, RenderNotesAndResetAllocateNothing) {
    engine::SynthEngine e;
    enginePrepare(e, 48000.0f);
    std::vector<float> l(4096), r(4096);
    const engine::SoundParams p = test::randomParams(9);
    const engine::CurveSet curves = engine::defaultCurveSet();
    test::AllocationProbe probe;
    engineNoteOn(e, 40, 1.0f);
    engineRender(e, p, curves, engine::BlockTiming{1.0, 130.0f, true}, l.data(), r.data(), 4096);
    engineNoteOn(e, 45, 0.5f);
    engineNoteOff(e, 40);
    engineReleaseAll(e);
    engineReset(e);
    engineRender(e, p, curves, engine::BlockTiming{}, l.data(), r.data(), 17);
    EXPECT_EQ(probe.count(), 0);
}

TEST(SynthEngine, PrepareAndReset) {
    struct Case {
        float rate;
        int32_t paramRamp, levelRamp;
    };
    // The level ramp is one control period, except where the formula rounds to 63.
    for (const Case c : {Case{48000.0f, 240, 64}, Case{44100.0f, 220, 64}, Case{1005.0f, 5, 63}}) {
        engine::SynthEngine e;
        enginePrepare(e, c.rate);
        EXPECT_EQ(e.weightRamp.length, c.paramRamp) << c.rate;
        EXPECT_EQ(e.levelRamp.length, c.levelRamp) << c.rate;
    }
    engine::SynthEngine broken;
    enginePrepare(broken, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(broken.sampleRate, 48000.0f);

    engine::SynthEngine used, fresh;
    enginePrepare(used, 96000.0f);
    enginePrepare(fresh, 96000.0f);
    engineNoteOn(used, 40, 1.0f);
    render(used, test::randomParams(3), engine::BlockTiming{2.0, 100.0f, true}, 1000);
    engineReset(used);
    EXPECT_EQ(used.sampleRate, 96000.0f);
    const engine::SoundParams p = test::randomParams(4);
    engineNoteOn(used, 50, 0.7f);
    engineNoteOn(fresh, 50, 0.7f);
    EXPECT_TRUE(sameBits(render(used, p, engine::BlockTiming{}, 3000).left,
                         render(fresh, p, engine::BlockTiming{}, 3000).left));
}

} // namespace
} // namespace fennrow::test
