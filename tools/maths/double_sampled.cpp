// Checks the double-precision exp, log1p and tan against MPFR on a large
// sample: half in the ranges the shaper uses (exp on [-60, 0], log1p on
// (0, 1]), the other half over the whole range and over all bit patterns,
// then the published worst cases. log1p-series takes log1p through the
// batched lanes over the band where they use a short series instead of the
// table (2^-54 <= |x| < 2^-11). Runs on every core.
//
//   fennrow_double_sampled [inputs per function, default 1e9] [exp|log1p|tan|log1p-series]...
//
// MPFR takes about a microsecond a call, so each input is first compared with
// the x87 long double function of the C library (64-bit significand): when
// the interval of +-2^-60 relative around that value lies strictly between
// the midpoints on either side of our result (or beyond the overflow or
// underflow threshold for an infinite or zero result), our result is the
// correctly rounded one. This assumes the long double function is within 8
// of its ulps (2^-60); glibc documents at most 1 to 3 ulps for expl, log1pl
// and tanl on x86-64. Every other input goes to MPFR, and so does one in 4096
// of the decided ones, to audit the filter itself.
#include "double_oracle.h"
#include "maths/exp_double.h"
#include "maths/log1p_double.h"
#include "maths/softplus_batch.h"
#include "maths/tan_double.h"

#include <mpfr.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using fennrow::maths::oracle::MpfrFunction;
namespace oracle = fennrow::maths::oracle;

struct Function {
    const char* name;
    double (*ours)(double);
    long double (*extended)(long double);
    MpfrFunction oracle;
    // An input: kinds 0 and 1 are the engine's range, 2 and 3 the whole one.
    double (*input)(std::mt19937_64& rng, int kind);
};

double unit(std::mt19937_64& rng) { return static_cast<double>(rng() >> 11) * 0x1p-53; } // [0, 1)

double anyBits(std::mt19937_64& rng) {
    const std::uint64_t b = rng();
    double x;
    std::memcpy(&x, &b, sizeof x);
    return x;
}

double expInput(std::mt19937_64& rng, int kind) {
    if (kind < 2) return -60.0 * unit(rng);
    if (kind == 2) return -746.0 + 1456.0 * unit(rng);
    return anyBits(rng);
}

double log1pInput(std::mt19937_64& rng, int kind) {
    if (kind < 2) return 1.0 - unit(rng); // (0, 1]
    if (kind == 2)
        return std::ldexp(2.0 * unit(rng) - 1.0, -static_cast<int>(rng() % 64)); // near 0, both signs
    return anyBits(rng);
}

double tanInput(std::mt19937_64& rng, int kind) {
    if (kind < 2) return 8.0 * unit(rng) - 4.0;
    if (kind == 2) return std::ldexp(unit(rng), static_cast<int>(rng() % 80) - 40);
    return anyBits(rng);
}

// The band in which the batched log1p takes its short series, both signs,
// with the values below 2^-54 that it passes through.
double log1pSeriesInput(std::mt19937_64& rng, int kind) {
    const double x = std::ldexp(1.0 + unit(rng), -64 + static_cast<int>(rng() % 57)); // 2^-64 .. 2^-7
    return kind & 1 ? -x : x;
}

// log1p through the batched lanes, with the input in every lane, so that a
// whole vector meets the short series.
double log1pBatched(double x) {
    const double in[4] = {x, x, x, x};
    double out[4];
    fennrow::maths::log1pBatch(fennrow::maths::bestSimdPath(), in, out, 4);
    return out[0];
}

long double expExtended(long double x) { return expl(x); }
long double log1pExtended(long double x) { return log1pl(x); }
long double tanExtended(long double x) { return tanl(x); }

const Function kFunctions[] = {
    {"exp", fennrow::maths::exp, expExtended, mpfr_exp, expInput},
    {"log1p", fennrow::maths::log1p, log1pExtended, mpfr_log1p, log1pInput},
    {"tan", fennrow::maths::tan, tanExtended, mpfr_tan, tanInput},
    {"log1p-series", log1pBatched, log1pExtended, mpfr_log1p, log1pSeriesInput},
};

// Whether every value within 2^-60 relative of `approx` rounds to r.
bool decidedBy(long double approx, double r) {
    if (r != r || approx != approx) return r != r && approx != approx;
    if (std::signbit(r) != std::signbit(approx)) return false;
    const long double a = std::fabs(approx);
    const long double margin = a * 0x1p-60L;
    if (std::isinf(r))
        return std::isinf(a) || a - margin >= 0x1p1024L - 0x1p970L; // past the midpoint above DBL_MAX
    if (r == 0.0) return a + margin < 0x1p-1075L;
    const double m = std::fabs(r);
    const long double below = (static_cast<long double>(m) + std::nextafter(m, 0.0)) / 2;
    const long double above = (static_cast<long double>(m) + std::nextafter(m, INFINITY)) / 2;
    return a - margin > below && a + margin < above;
}

// Per thread, summed at the end.
struct Tally {
    long long checked = 0, mismatched = 0, mpfrCalls = 0, audited = 0;
};

void checkOne(const Function& f, double x, Tally& t, long long index) {
    const double ours = f.ours(x);
    ++t.checked;
    const bool decided = decidedBy(f.extended(x), ours);
    const bool audit = decided && (index & 4095) == 0;
    if (decided && !audit) return;
    ++(audit ? t.audited : t.mpfrCalls);
    const double want = oracle::mpfrDouble(f.oracle, x);
    if (oracle::sameDouble(ours, want)) return;
    if (++t.mismatched <= 20)
        std::printf("MISMATCH %s(%a) = %a, MPFR %a%s\n", f.name, x, ours, want,
                    audit ? " (filter was wrong)" : "");
}

std::vector<double> hardCases(const Function& f) {
    if (f.oracle == mpfr_exp) return oracle::kExpWorstCases;
    if (f.oracle == mpfr_tan) return oracle::kTanWorstCases;
    return oracle::log1pWorstCases();
}

void run(const Function& f, long long count, int threads) {
    std::vector<Tally> tallies(threads);
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> workers;
    workers.reserve(static_cast<std::size_t>(threads));
    for (int w = 0; w < threads; ++w) {
        workers.emplace_back([&, w] {
            Tally& t = tallies[w];
            std::mt19937_64 rng(0x5eed0000ULL + 977 * w + static_cast<std::uint64_t>(f.name[0]));
            for (long long i = w; i < count; i += threads)
                checkOne(f, f.input(rng, static_cast<int>(i & 3)), t, i);
        });
    }
    for (std::thread& worker : workers) worker.join();
    Tally t;
    for (const Tally& part : tallies) {
        t.checked += part.checked;
        t.mismatched += part.mismatched;
        t.mpfrCalls += part.mpfrCalls;
        t.audited += part.audited;
    }
    long long hardWrong = 0;
    for (double x : hardCases(f))
        if (!oracle::sameDouble(f.ours(x), oracle::mpfrDouble(f.oracle, x))) {
            ++hardWrong;
            std::printf("MISMATCH %s(%a) on a published worst case\n", f.name, x);
        }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-6s %lld inputs on %d threads in %.0f s: %lld mismatches; %lld sent to MPFR (%.3f%%), %lld "
                "audited; %zu worst cases, %lld wrong\n",
                f.name, t.checked, threads, seconds, t.mismatched, t.mpfrCalls,
                100.0 * static_cast<double>(t.mpfrCalls) / static_cast<double>(t.checked), t.audited,
                hardCases(f).size(), hardWrong);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    const long long count = argc > 1 ? std::atoll(argv[1]) : 1000000000LL;
    const int threads =
        static_cast<int>(std::thread::hardware_concurrency() > 0 ? std::thread::hardware_concurrency() : 2);
    for (const Function& f : kFunctions) {
        bool wanted = argc <= 2;
        for (int i = 2; i < argc; ++i) wanted |= std::string(argv[i]) == f.name;
        if (wanted) run(f, count, threads);
    }
    return 0;
}
