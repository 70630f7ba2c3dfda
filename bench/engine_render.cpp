// Render speed of the synth engine: a held note in 256-frame blocks at
// 48 kHz, for the initial sound and for a heavy one, reported as a real-time
// factor (seconds of audio per second of CPU), with the engine's SSE2
// forms (argument 0) and its AVX2 ones (1, where the processor has them),
// which is what decides whether the AVX2 forms pay for themselves. Beside them, the cost of just
// the transcendental calls the voice must make per output sample, the floor
// for this design with the system's math library.
#include "engine/dsp_constants.h"
#include "engine/synth_engine.h"
#include "maths/simd.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

using namespace fennrow;

constexpr float kRate = 48000.0f;
constexpr uint32_t kBlock = 256;

// Full drive (mostly oscillator feedback), full spread, full motion, arcs
// on, transport playing.
engine::SoundParams heavyParams() {
    engine::SoundParams p;
    p.drive = 1.0f;
    p.spread = 1.0f;
    p.motion = 1.0f;
    p.arcAmount = 1.0f;
    return p;
}

void renderHeldNote(benchmark::State& state, const engine::SoundParams& params, bool playing) {
    const bool avx2 = state.range(0) != 0;
    if (avx2 && maths::bestSimdPath() != maths::SimdPath::Avx2) {
        state.SkipWithError("this processor has no AVX2 and FMA");
        return;
    }
    engine::SynthEngine engine;
    enginePrepare(engine, kRate);
    engine.simdPath = avx2 ? maths::SimdPath::Avx2 : maths::SimdPath::Sse2;
    const engine::CurveSet curves = engine::defaultCurveSet();
    engineNoteOn(engine, 36, 1.0f);
    std::vector<float> left(kBlock), right(kBlock);
    engine::BlockTiming timing{0.0, 120.0f, playing};
    const double beatsPerBlock = kBlock * 120.0 / (60.0 * kRate);
    uint64_t frames = 0;
    for (auto _ : state) {
        engineRender(engine, params, curves, timing, left.data(), right.data(), kBlock);
        benchmark::DoNotOptimize(left.data());
        benchmark::DoNotOptimize(right.data());
        benchmark::ClobberMemory();
        if (playing) timing.beatPosition += beatsPerBlock;
        frames += kBlock;
    }
    // Seconds of audio per second of CPU time.
    state.counters["realtime_x"] =
        benchmark::Counter(static_cast<double>(frames) / kRate, benchmark::Counter::kIsRate);
    state.SetItemsProcessed(static_cast<int64_t>(frames));
}

void BM_EngineRenderInit(benchmark::State& state) { renderHeldNote(state, engine::SoundParams{}, false); }
void BM_EngineRenderHeavy(benchmark::State& state) { renderHeldNote(state, heavyParams(), true); }

// Per output sample: four oscillator sines, the sub sine, the frequency
// powf and four shaper steps, each with one exp and one log1p in double.
// The calls are independent of each other, as they can be in the engine.
void BM_TranscendentalFloor(benchmark::State& state) {
    std::vector<float> x(kBlock), out(kBlock);
    std::vector<double> dx(4 * kBlock), dout(4 * kBlock);
    for (uint32_t i = 0; i < kBlock; ++i) x[i] = static_cast<float>(i) / kBlock;
    for (uint32_t i = 0; i < 4 * kBlock; ++i) dx[i] = -2.0 * (0.01 + 0.007 * i);
    uint64_t frames = 0;
    for (auto _ : state) {
        for (uint32_t i = 0; i < kBlock; ++i) {
            const float v = x[i];
            out[i] = sinf(v * engine::kTwoPi32) + sinf(v * 5.0f + 0.1f) + sinf(v * 4.0f + 0.2f) +
                     sinf(v * 3.0f + 0.3f) + sinf(v * 2.0f + 0.4f) + powf(2.0f, v - 0.5f);
        }
        for (uint32_t i = 0; i < 4 * kBlock; ++i) dout[i] = std::exp(dx[i]);
        for (uint32_t i = 0; i < 4 * kBlock; ++i) dout[i] = std::log1p(dout[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::DoNotOptimize(dout.data());
        benchmark::ClobberMemory();
        frames += kBlock;
    }
    state.counters["realtime_x"] =
        benchmark::Counter(static_cast<double>(frames) / kRate, benchmark::Counter::kIsRate);
}

// The same calls, each waiting for the one before: what they cost when
// nothing can overlap them.
void BM_TranscendentalFloorChained(benchmark::State& state) {
    uint64_t frames = 0;
    float x = 0.3f;
    double y = 0.2;
    for (auto _ : state) {
        for (uint32_t i = 0; i < kBlock; ++i) {
            x = sinf(x * engine::kTwoPi32) * 0.5f;
            x = sinf(x + 0.5f) * 0.5f;
            x = sinf(x + 0.4f) * 0.5f;
            x = sinf(x + 0.3f) * 0.5f;
            x = sinf(x + 0.2f) * 0.5f;
            x = powf(2.0f, x) - 1.0f;
            for (int s = 0; s < 4; ++s) y = std::log1p(std::exp(-2.0 * (y + x))) * 0.5;
            x += static_cast<float>(y) * 1e-3f;
        }
        benchmark::DoNotOptimize(x);
        frames += kBlock;
    }
    state.counters["realtime_x"] =
        benchmark::Counter(static_cast<double>(frames) / kRate, benchmark::Counter::kIsRate);
}

BENCHMARK(BM_EngineRenderInit)->ArgName("avx2")->Arg(0)->Arg(1);
BENCHMARK(BM_EngineRenderHeavy)->ArgName("avx2")->Arg(0)->Arg(1);
BENCHMARK(BM_TranscendentalFloor);
BENCHMARK(BM_TranscendentalFloorChained);

} // namespace

BENCHMARK_MAIN();
