// Every one of the 2^32 inputs of each single-precision function (for pow25f
// and exp2f: every exponent) against the correctly rounded result, on all
// cores. Usage: fennrow_float_exhaustive [function...]; exit status 1 on
// any mismatch, each printed with the input and both results.
//
// MPFR costs about a microsecond a call, too slow for 2^32 inputs, so the
// reference is first taken from the system's double-precision function of
// the same name (glibc's are within a few ulps of double, 2^-50 relative;
// we allow 2^-40): when every value within 2^-40 relative of it rounds to
// the same float, that float is the correct rounding. Only when that
// interval straddles a rounding boundary, and for zeros, infinities and
// NaN, is MPFR asked.
#include "float_oracle.h"

#include <bit>
#include <chrono>
#include <cstdio>
#include <mutex>

using namespace fennrow::maths;

namespace {

constexpr double kLibmMargin = 0x1p-40;
constexpr int kMaxReports = 20;

float reference(const oracle::FloatFunction& f, float x) {
    const double z = f.libm(static_cast<double>(x));
    if (std::isfinite(x) && std::isfinite(z) && z != 0.0) {
        const double margin = std::fabs(z) * kLibmMargin;
        const float lo = static_cast<float>(z - margin);
        if (lo == static_cast<float>(z + margin)) return lo;
    }
    return oracle::exactFloat(f.exact, x);
}

bool same(float a, float b) {
    return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b) || (a != a && b != b);
}

} // namespace

int main(int argc, char** argv) {
    bool allGood = true;
    for (const oracle::FloatFunction* f : oracle::selectFunctions(argc, argv)) {
        const auto start = std::chrono::steady_clock::now();
        std::mutex lock;
        uint64_t mismatches = 0;
        oracle::forEveryFloat([&](uint32_t bits, int) {
            const float x = std::bit_cast<float>(bits);
            const float ours = f->ours(x);
            const float want = reference(*f, x);
            if (same(ours, want)) return;
            const std::lock_guard<std::mutex> hold(lock);
            if (++mismatches <= kMaxReports)
                std::printf("%s(%a) [0x%08x]: ours %a, correctly rounded %a\n", f->name, x, bits, ours, want);
        });
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%-7s %s: %llu mismatches in 2^32 inputs, %.0f s\n", f->name, mismatches ? "FAIL" : "ok",
                    static_cast<unsigned long long>(mismatches), seconds);
        std::fflush(stdout);
        allGood &= mismatches == 0;
    }
    return allGood ? 0 : 1;
}
