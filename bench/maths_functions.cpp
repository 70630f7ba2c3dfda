// Each of fennrow's single-precision functions beside the system's, over
// 1024 arguments in the range the engine uses it in (ns per call), and the
// batched sine per value.
#include "maths/float_functions.h"
#include "maths/sine_pair.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

constexpr int kCount = 1024;

std::vector<float> spread(float lo, float hi) {
    std::vector<float> v(kCount);
    for (int i = 0; i < kCount; ++i) v[i] = lo + (hi - lo) * (static_cast<float>(i) + 0.5f) / kCount;
    return v;
}

// Through a pointer, for both sides alike.
void callEach(benchmark::State& state, float (*f)(float), float lo, float hi) {
    const std::vector<float> x = spread(lo, hi);
    std::vector<float> out(kCount);
    for (auto _ : state) {
        for (int i = 0; i < kCount; ++i) out[i] = f(x[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}

float systemSin(float x) { return ::sinf(x); }
float systemCos(float x) { return ::cosf(x); }
float systemTan(float x) { return ::tanf(x); }
float systemExp(float x) { return ::expf(x); }
float systemExp2(float x) { return ::powf(2.0f, x); }
float systemPow25(float x) { return ::powf(25.0f, x); }
float systemTanh(float x) { return ::tanhf(x); }
float systemAsin(float x) { return ::asinf(x); }

using namespace fennrow;

BENCHMARK_CAPTURE(callEach, sinf_fennrow, maths::sinf, -1.0f, 7.1f);
BENCHMARK_CAPTURE(callEach, sinf_system, systemSin, -1.0f, 7.1f);
BENCHMARK_CAPTURE(callEach, cosf_fennrow, maths::cosf, 0.0f, 6.3f);
BENCHMARK_CAPTURE(callEach, cosf_system, systemCos, 0.0f, 6.3f);
BENCHMARK_CAPTURE(callEach, tanf_fennrow, maths::tanf, 0.0f, 1.5f);
BENCHMARK_CAPTURE(callEach, tanf_system, systemTan, 0.0f, 1.5f);
BENCHMARK_CAPTURE(callEach, expf_fennrow, maths::expf, -20.0f, 0.0f);
BENCHMARK_CAPTURE(callEach, expf_system, systemExp, -20.0f, 0.0f);
BENCHMARK_CAPTURE(callEach, exp2f_fennrow, maths::exp2f, -4.0f, 4.0f);
BENCHMARK_CAPTURE(callEach, exp2f_system_powf, systemExp2, -4.0f, 4.0f);
BENCHMARK_CAPTURE(callEach, pow25f_fennrow, maths::pow25f, 0.0f, 1.0f);
BENCHMARK_CAPTURE(callEach, pow25f_system_powf, systemPow25, 0.0f, 1.0f);
BENCHMARK_CAPTURE(callEach, tanhf_fennrow, maths::tanhf, -4.0f, 4.0f);
BENCHMARK_CAPTURE(callEach, tanhf_system, systemTanh, -4.0f, 4.0f);
BENCHMARK_CAPTURE(callEach, asinf_fennrow, maths::asinf, 0.0f, 0.25f);
BENCHMARK_CAPTURE(callEach, asinf_system, systemAsin, 0.0f, 0.25f);

void BM_SinfBlock(benchmark::State& state) {
    const std::vector<float> x = spread(-1.0f, 7.1f);
    std::vector<float> out(kCount);
    for (auto _ : state) {
        maths::sinfBlock(x.data(), out.data(), kCount);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_SinfBlock);

// Two chains of sines, each argument waiting for the sine before, as in the
// feedback oscillators: the time per pair is the latency, against the
// system's sinf in the same two chains.
template <class Pair>
void sineChains(benchmark::State& state, Pair pair) {
    float a = 0.1f, b = 0.2f;
    for (auto _ : state) {
        for (int i = 0; i < kCount; ++i) pair(a * 0.375f + 1.0f, b * 0.375f + 2.0f, a, b);
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(b);
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
void BM_SinfPairChains(benchmark::State& state) { sineChains(state, maths::sinfPair); }
void BM_SystemSinfChains(benchmark::State& state) {
    sineChains(state, [](float x, float y, float& sx, float& sy) {
        sx = std::sin(x);
        sy = std::sin(y);
    });
}
BENCHMARK(BM_SinfPairChains);
BENCHMARK(BM_SystemSinfChains);

} // namespace

BENCHMARK_MAIN();
