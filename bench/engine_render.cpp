// Render speed of the synth engine: a held note in 256-frame blocks at
// 48 kHz, for the initial sound and for a heavy one, reported as a real-time
// factor (seconds of audio per second of CPU). Beside them, the cost of just
// the transcendental calls the voice must make per output sample, the floor
// for this design with the system's math library.
#include "engine/synth_engine.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

using namespace fennrow;

constexpr float kRate = 48000.0f;
constexpr uint32_t kBlock = 256;

SoundParams heavyParams() {
    SoundParams p;
    p.drive = 1.0f;
    p.spread = 1.0f;
    p.motion = 1.0f;
    p.motionDriveDepth = 1.0f;
    p.motionLevelDepth = 1.0f;
    p.arcAmount = 1.0f;
    p.arcSpreadDepth = 1.0f;
    p.pluck = 0.5f;
    return p;
}

void renderHeldNote(benchmark::State& state, const SoundParams& params, bool playing) {
    SynthEngine engine;
    EnginePrepare(engine, kRate);
    const CurveSet curves = defaultCurveSet();
    EngineNoteOn(engine, 36, 0.8f);
    std::vector<float> left(kBlock), right(kBlock);
    BlockTiming timing{0.0, 120.0f, playing};
    const double beatsPerBlock = kBlock * 120.0 / (60.0 * kRate);
    uint64_t frames = 0;
    for (auto _ : state) {
        EngineRender(engine, params, curves, timing, left.data(), right.data(), kBlock);
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

void BM_EngineRenderInit(benchmark::State& state) { renderHeldNote(state, SoundParams{}, false); }
void BM_EngineRenderHeavy(benchmark::State& state) { renderHeldNote(state, heavyParams(), true); }

// Per output sample: four oscillator sines, the sub sine, the frequency
// powf and four shaper steps, each with one exp and one log1p in double.
void BM_TranscendentalFloor(benchmark::State& state) {
    std::vector<float> phases(kBlock);
    for (uint32_t i = 0; i < kBlock; ++i) phases[i] = static_cast<float>(i) / kBlock;
    uint64_t frames = 0;
    float sink = 0.0f;
    double dsink = 0.0;
    for (auto _ : state) {
        for (uint32_t i = 0; i < kBlock; ++i) {
            const float x = phases[i] + sink * 1e-30f;
            sink += sinf(x * 6.2831855f) + sinf(x * 5.0f) + sinf(x * 4.0f) + sinf(x * 3.0f);
            sink += sinf(x * 2.0f);
            sink += powf(2.0f, x - 0.5f);
            for (int s = 0; s < 4; ++s) {
                const double u = static_cast<double>(x) * (s + 1) + dsink * 1e-300;
                dsink += std::log1p(std::exp(-2.0 * u));
            }
        }
        benchmark::DoNotOptimize(sink);
        benchmark::DoNotOptimize(dsink);
        frames += kBlock;
    }
    state.counters["realtime_x"] =
        benchmark::Counter(static_cast<double>(frames) / kRate, benchmark::Counter::kIsRate);
}

BENCHMARK(BM_EngineRenderInit);
BENCHMARK(BM_EngineRenderHeavy);
BENCHMARK(BM_TranscendentalFloor);

} // namespace

BENCHMARK_MAIN();
