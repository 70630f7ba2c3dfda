// Speed of the correctly rounded double-precision exp, log1p and tan against
// the C library's, in ns per call (items per second, inverted), on the
// shaper's inputs: -2u with u in [0, 20] for exp, (0, 1] for log1p. The
// batched log1p(exp(x)) runs on each path this processor has.
#include "maths/exp_double.h"
#include "maths/log1p_double.h"
#include "maths/softplus_batch.h"
#include "maths/tan_double.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

using namespace fennrow;

constexpr int kCount = 1024;

std::vector<double> uniform(double lo, double hi) {
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> d(lo, hi);
    std::vector<double> xs(kCount);
    for (double& x : xs) x = d(rng);
    return xs;
}

const std::vector<double>& expInputs() {
    static const std::vector<double> xs = uniform(-40.0, 0.0);
    return xs;
}
const std::vector<double>& log1pInputs() {
    static const std::vector<double> xs = uniform(0x1p-30, 1.0);
    return xs;
}
const std::vector<double>& tanInputs() {
    static const std::vector<double> xs = uniform(-1.5, 1.5);
    return xs;
}

// Independent calls over the inputs, as the engine makes them.
template <double (*F)(double)>
void perCall(benchmark::State& state, const std::vector<double>& xs) {
    std::vector<double> out(kCount);
    for (auto _ : state) {
        for (int i = 0; i < kCount; ++i) out[i] = F(xs[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}

double libcExp(double x) { return std::exp(x); }
double libcLog1p(double x) { return std::log1p(x); }
double libcTan(double x) { return std::tan(x); }
double libcLog1pExp(double x) { return std::log1p(std::exp(x)); }
double oursLog1pExp(double x) { return maths::log1p(maths::exp(x)); }

void BM_ExpLibc(benchmark::State& s) { perCall<libcExp>(s, expInputs()); }
void BM_ExpOurs(benchmark::State& s) { perCall<maths::exp>(s, expInputs()); }
void BM_Log1pLibc(benchmark::State& s) { perCall<libcLog1p>(s, log1pInputs()); }
void BM_Log1pOurs(benchmark::State& s) { perCall<maths::log1p>(s, log1pInputs()); }
void BM_TanLibc(benchmark::State& s) { perCall<libcTan>(s, tanInputs()); }
void BM_TanOurs(benchmark::State& s) { perCall<maths::tan>(s, tanInputs()); }
void BM_Log1pExpLibc(benchmark::State& s) { perCall<libcLog1pExp>(s, expInputs()); }
void BM_Log1pExpOursScalar(benchmark::State& s) { perCall<oursLog1pExp>(s, expInputs()); }

template <void (*F)(maths::SimdPath, const double*, double*, int)>
void batched(benchmark::State& state, const std::vector<double>& xs) {
    const auto path = static_cast<maths::SimdPath>(state.range(0));
    if (!maths::simdPathAvailable(path)) {
        state.SkipWithError("this processor lacks the path");
        return;
    }
    std::vector<double> out(kCount);
    for (auto _ : state) {
        F(path, xs.data(), out.data(), kCount);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}

void BM_ExpBatch(benchmark::State& s) { batched<maths::expBatch>(s, expInputs()); }
void BM_Log1pBatch(benchmark::State& s) { batched<maths::log1pBatch>(s, log1pInputs()); }
void BM_Log1pExpBatch(benchmark::State& s) { batched<maths::log1pExpBatch>(s, expInputs()); }

// Argument: 0 scalar, 1 SSE2, 2 AVX2.
BENCHMARK(BM_ExpLibc);
BENCHMARK(BM_ExpOurs);
BENCHMARK(BM_ExpBatch)->Arg(1)->Arg(2);
BENCHMARK(BM_Log1pLibc);
BENCHMARK(BM_Log1pOurs);
BENCHMARK(BM_Log1pBatch)->Arg(1)->Arg(2);
BENCHMARK(BM_Log1pExpLibc);
BENCHMARK(BM_Log1pExpOursScalar);
BENCHMARK(BM_Log1pExpBatch)->Arg(1)->Arg(2);
BENCHMARK(BM_TanLibc);
BENCHMARK(BM_TanOurs);

} // namespace

BENCHMARK_MAIN();
