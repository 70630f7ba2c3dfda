#include "engine/control_tick.h"
#include "engine/synth_engine.h"
#include "reference_render.h"
#include "scenario.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

// Counts every allocation of the test program, so a test can show that
// rendering and note handling allocate nothing.
namespace {
std::atomic<long> gAllocations{0};
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete" // free() pairs with the malloc() below
#endif

void* operator new(std::size_t size) {
    ++gAllocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace fennrow {
namespace {

using testing::referenceRender;
using testing::runScenario;
using testing::ScenarioOptions;

const testing::RenderFunction kEngineRender = EngineRender;
const testing::RenderFunction kReferenceRender = referenceRender;

struct Output {
    std::vector<float> left, right;
};

Output render(SynthEngine& e, const SoundParams& p, const BlockTiming& t, uint32_t frames,
              const CurveSet& curves = defaultCurveSet()) {
    Output out{std::vector<float>(frames), std::vector<float>(frames)};
    EngineRender(e, p, curves, t, out.left.data(), out.right.data(), frames);
    return out;
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

size_t firstDifference(const std::vector<float>& a, const std::vector<float>& b) {
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0) return i;
    return a.size() == b.size() ? SIZE_MAX : std::min(a.size(), b.size());
}

TEST(SynthEngine, ChunkedRenderMatchesThePlainLoopBitForBit) {
    const float rates[] = {48000.0f, 44100.0f, 8000.0f, 1005.0f, 192000.0f};
    uint32_t seed = 11;
    for (float rate : rates) {
        for (int run = 0; run < 3; ++run, ++seed) {
            SCOPED_TRACE(::testing::Message() << "rate " << rate << " seed " << seed);
            ScenarioOptions o;
            o.seed = seed;
            o.sampleRate = rate;
            o.frames = std::max<uint64_t>(24000, static_cast<uint64_t>(rate * 1.5f));
            o.hostileTransport = run == 2;
            Output fast, plain;
            runScenario(o, kEngineRender, fast.left, fast.right);
            runScenario(o, kReferenceRender, plain.left, plain.right);
            float loudest = 0.0f;
            for (float v : fast.left) loudest = std::max(loudest, std::fabs(v));
            EXPECT_GT(loudest, 0.05f); // the session did play notes
            EXPECT_EQ(firstDifference(fast.left, plain.left), SIZE_MAX);
            EXPECT_EQ(firstDifference(fast.right, plain.right), SIZE_MAX);
        }
    }
}

TEST(SynthEngine, OutputIsAlwaysFiniteNormalAndComplete) {
    const float rates[] = {1000.0f, 8000.0f, 22050.0f, 44100.0f, 96000.0f, 384000.0f, 768000.0f};
    uint32_t seed = 100;
    for (float rate : rates) {
        for (uint32_t longest : {5u, 16384u}) {
            ScenarioOptions o;
            o.seed = seed++;
            o.sampleRate = rate;
            o.frames = std::max<uint64_t>(48000, static_cast<uint64_t>(rate * 0.5f));
            o.longestSlice = longest;
            o.hostileTransport = true;
            Output out;
            runScenario(o, kEngineRender, out.left, out.right);
            ASSERT_EQ(out.left.size(), o.frames);
            for (const std::vector<float>* ch : {&out.left, &out.right})
                for (size_t i = 0; i < ch->size(); ++i) {
                    const float v = (*ch)[i];
                    ASSERT_TRUE(std::isfinite(v) && (v == 0.0f || std::fabs(v) >= FLT_MIN))
                        << "rate " << rate << " frame " << i << " value " << v;
                    ASSERT_LT(std::fabs(v), 16.0f);
                }
        }
    }
}

TEST(SynthEngine, SpreadZeroIsMono) {
    for (uint32_t seed = 40; seed < 44; ++seed) {
        ScenarioOptions o;
        o.seed = seed;
        o.keepSpreadZero = true;
        Output out;
        runScenario(o, kEngineRender, out.left, out.right);
        EXPECT_TRUE(sameBits(out.left, out.right)) << seed;
    }
}

TEST(SynthEngine, TicksFallEvery64SamplesWhateverTheSlices) {
    const SoundParams p = testing::randomParams(5);
    const double beatsPerFrame = 120.0 / (60.0 * 48000.0);
    SynthEngine whole, sliced;
    EnginePrepare(whole, 48000.0f);
    EnginePrepare(sliced, 48000.0f);
    EngineNoteOn(whole, 40, 0.9f);
    EngineNoteOn(sliced, 40, 0.9f);
    const Output expected = render(whole, p, BlockTiming{4.0, 120.0f, true}, 1000);
    std::vector<float> l, r;
    for (uint32_t f = 0; f < 1000; ++f) {
        const Output one = render(sliced, p, BlockTiming{4.0 + f * beatsPerFrame, 120.0f, true}, 1);
        l.push_back(one.left[0]);
        r.push_back(one.right[0]);
        EXPECT_EQ(sliced.tickCountdown, 63 - static_cast<int>(f % 64));
    }
    EXPECT_TRUE(sameBits(l, expected.left));
    EXPECT_TRUE(sameBits(r, expected.right));
}

// Amplitude of the component at `hz` over the whole signal.
double toneAmplitude(const std::vector<float>& x, double hz, double rate) {
    double re = 0.0, im = 0.0;
    for (size_t i = 0; i < x.size(); ++i) {
        re += x[i] * std::cos(2.0 * M_PI * hz * i / rate);
        im += x[i] * std::sin(2.0 * M_PI * hz * i / rate);
    }
    return 2.0 * std::sqrt(re * re + im * im) / static_cast<double>(x.size());
}

TEST(SynthEngine, FullWeightIsAPureSineAtTheNoteFrequency) {
    SoundParams p;
    p.weight = 1.0f;
    p.punch = 0.0f;
    p.shape = 0.6f; // sustains at full level
    p.drive = 1.0f;
    SynthEngine e;
    EnginePrepare(e, 48000.0f);
    EngineNoteOn(e, 57, 1.0f); // 220 Hz
    render(e, p, BlockTiming{}, 24000);
    const Output out = render(e, p, BlockTiming{}, 24000); // 110 whole cycles
    EXPECT_TRUE(sameBits(out.left, out.right));
    const double fundamental = toneAmplitude(out.left, 220.0, 48000.0);
    EXPECT_NEAR(fundamental, 1.0, 0.01);
    for (double hz : {440.0, 660.0, 880.0, 110.0, 230.0})
        EXPECT_LT(toneAmplitude(out.left, hz, 48000.0), fundamental * 1e-3) << hz;
}

TEST(SynthEngine, OutputCarriesNoDc) {
    SoundParams p;
    p.weight = 0.2f;
    p.drive = 1.0f;
    p.shape = 0.6f;
    SynthEngine e;
    EnginePrepare(e, 48000.0f);
    EngineNoteOn(e, 33, 1.0f);
    render(e, p, BlockTiming{}, 96000);
    const Output out = render(e, p, BlockTiming{}, 48000);
    double sum = 0.0, energy = 0.0;
    for (float v : out.left) {
        sum += v;
        energy += static_cast<double>(v) * v;
    }
    const double mean = sum / out.left.size();
    const double rms = std::sqrt(energy / out.left.size());
    EXPECT_GT(rms, 0.1);
    EXPECT_LT(std::fabs(mean), rms * 1e-3);
}

TEST(SynthEngine, RenderAndNotesAllocateNothing) {
    SynthEngine e;
    EnginePrepare(e, 48000.0f);
    std::vector<float> l(4096), r(4096);
    const SoundParams p = testing::randomParams(9);
    const CurveSet curves = defaultCurveSet();
    const long before = gAllocations.load();
    EngineNoteOn(e, 40, 1.0f);
    EngineRender(e, p, curves, BlockTiming{1.0, 130.0f, true}, l.data(), r.data(), 4096);
    EngineNoteOn(e, 45, 0.5f);
    EngineNoteOff(e, 40);
    EngineRender(e, p, curves, BlockTiming{3.0, 130.0f, true}, l.data(), r.data(), 17);
    EngineReleaseAll(e);
    EngineReset(e);
    EngineRender(e, p, curves, BlockTiming{}, l.data(), r.data(), 4096);
    EXPECT_EQ(gAllocations.load(), before);
}

TEST(SynthEngine, ToneCutoffIsCappedBelowNyquist) {
    struct Case {
        float rate, cutoff;
    };
    for (const Case c : {Case{44100.0f, 5120.0f}, Case{8000.0f, 3600.0f}}) {
        SoundParams p;
        p.tone = 1.0f;
        SynthEngine e;
        EnginePrepare(e, c.rate);
        e.velocity.value = 1.0f;
        controlTick(e, p, defaultCurveSet(), BlockTiming{});
        EXPECT_EQ(e.toneA.g, tanf(c.cutoff * 3.1415927f / c.rate)) << c.rate;
        EXPECT_EQ(e.toneB.g, e.toneA.g);
    }
}

TEST(SynthEngine, DriveTurnsIntoFeedbackAboveSevenTenths) {
    struct Case {
        float drive, feedback;
    };
    const float q = (0.85f - 0.7f) / 0.3f;
    for (const Case c : {Case{0.5f, 0.0f}, Case{0.7f, 0.0f}, Case{0.85f, q * q * 0.75f}}) {
        SoundParams p;
        p.drive = c.drive;
        SynthEngine e;
        EnginePrepare(e, 48000.0f);
        e.velocity.value = 1.0f;
        controlTick(e, p, defaultCurveSet(), BlockTiming{});
        EXPECT_EQ(e.feedback, c.feedback) << c.drive;
    }
}

TEST(SynthEngine, PrepareSetsRateDependentLengths) {
    struct Case {
        float rate;
        int32_t paramRamp, levelRamp;
    };
    const Case cases[] = {{48000.0f, 240, 64}, {44100.0f, 220, 64}, {1005.0f, 5, 63}, {768000.0f, 3840, 64}};
    for (const Case& c : cases) {
        SynthEngine e;
        EnginePrepare(e, c.rate);
        EXPECT_EQ(e.weightRamp.length, c.paramRamp) << c.rate;
        EXPECT_EQ(e.pluckRamp.length, c.paramRamp) << c.rate;
        EXPECT_EQ(e.levelRamp.length, c.levelRamp) << c.rate;
        EXPECT_EQ(e.halfPeriod, 1.0 / (2.0 * c.rate));
    }
    SynthEngine broken;
    EnginePrepare(broken, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(broken.sampleRate, 48000.0f);
}

TEST(SynthEngine, ResetRestoresDefaultsAndKeepsTheRate) {
    SynthEngine e;
    EnginePrepare(e, 96000.0f);
    EngineNoteOn(e, 40, 1.0f);
    render(e, testing::randomParams(3), BlockTiming{2.0, 100.0f, true}, 1000);
    EngineReset(e);
    SynthEngine fresh;
    EnginePrepare(fresh, 96000.0f);
    EXPECT_EQ(e.sampleRate, 96000.0f);
    EXPECT_EQ(e.notes.count, 0);
    EXPECT_EQ(e.amp.state, AmpStage::Idle);
    EXPECT_EQ(e.tickCountdown, 0);
    EXPECT_FALSE(e.arcs.primed);
    EXPECT_FALSE(e.weightRamp.primed);
    const SoundParams p = testing::randomParams(4);
    EngineNoteOn(e, 50, 0.7f);
    EngineNoteOn(fresh, 50, 0.7f);
    EXPECT_TRUE(sameBits(render(e, p, BlockTiming{}, 3000).left, render(fresh, p, BlockTiming{}, 3000).left));
}

TEST(SynthEngine, SilentWithoutNotes) {
    SynthEngine e;
    EnginePrepare(e, 48000.0f);
    const Output out = render(e, testing::randomParams(8), BlockTiming{0.0, 120.0f, true}, 5000);
    for (float v : out.left) ASSERT_EQ(v, 0.0f);
}

} // namespace
} // namespace fennrow
