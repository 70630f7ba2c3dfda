// Shared by the single-precision oracle tools: the functions under test,
// their MPFR counterparts rounded exactly to float, and a loop over all 2^32
// inputs on every core. The functions come in the order the engine leans on them.
#pragma once

#include "maths/float_estimates.h"
#include "maths/float_functions.h"

#include <mpfr.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace fennrow::maths::oracle {

using MpfrFunction = int (*)(mpfr_ptr, mpfr_srcptr, mpfr_rnd_t);

inline int mpfrPow25(mpfr_ptr y, mpfr_srcptr x, mpfr_rnd_t rnd) { return mpfr_ui_pow(y, 25, x, rnd); }
inline double libmPow25(double x) { return std::pow(25.0, x); }

struct FloatFunction {
    const char* name;
    float (*ours)(float);
    detail::Estimate (*estimate)(float);
    const char* table; // the hard-case table's name in the library
    MpfrFunction exact;
    double (*libm)(double); // double precision, for the quick pre-check
};

inline const std::vector<FloatFunction>& floatFunctions() {
    static const std::vector<FloatFunction> all = {
        {"sinf", sinf, detail::sinEstimate, "kSinHardCases", mpfr_sin, [](double x) { return std::sin(x); }},
        {"exp2f", exp2f, detail::exp2Estimate, "kExp2HardCases", mpfr_exp2,
         [](double x) { return std::exp2(x); }},
        {"tanhf", tanhf, detail::tanhEstimate, "kTanhHardCases", mpfr_tanh,
         [](double x) { return std::tanh(x); }},
        {"pow25f", pow25f, detail::pow25Estimate, "kPow25HardCases", mpfrPow25, libmPow25},
        {"cosf", cosf, detail::cosEstimate, "kCosHardCases", mpfr_cos, [](double x) { return std::cos(x); }},
        {"expf", expf, detail::expEstimate, "kExpHardCases", mpfr_exp, [](double x) { return std::exp(x); }},
        {"tanf", tanf, detail::tanEstimate, "kTanHardCases", mpfr_tan, [](double x) { return std::tan(x); }},
        {"asinf", asinf, detail::asinEstimate, "kAsinHardCases", mpfr_asin,
         [](double x) { return std::asin(x); }},
    };
    return all;
}

// f(x) rounded once to the nearest float, subnormals included. Each thread
// keeps its own variables and exponent range.
inline float exactFloat(MpfrFunction f, float x) {
    struct Vars {
        mpfr_t in, out;
        Vars() {
            mpfr_init2(in, 24);
            mpfr_init2(out, 24);
        }
        ~Vars() {
            mpfr_clear(in);
            mpfr_clear(out);
        }
    };
    thread_local Vars v;
    mpfr_set_emin(-148); // 2^-149 = 0.1b * 2^-148, the least subnormal
    mpfr_set_emax(128);
    mpfr_set_flt(v.in, x, MPFR_RNDN);
    const int inexact = f(v.out, v.in, MPFR_RNDN);
    mpfr_subnormalize(v.out, inexact, MPFR_RNDN);
    return mpfr_get_flt(v.out, MPFR_RNDN);
}

// The correctly rounded f(x), MPFR being slow: first from the system's
// double-precision function (glibc's are within a few ulps of double, 2^-50
// relative; 2^-40 is allowed), when every value that close to its result
// rounds to the same float; from MPFR (`exact`) only when that interval
// straddles a rounding boundary, and for infinite arguments.
inline float referenceFloat(MpfrFunction exact, double (*libm)(double), float x) {
    constexpr double kLibmMargin = 0x1p-40;
    if (x != x) return x;
    const double z = libm(static_cast<double>(x));
    // For a finite x, a NaN is a domain error, an infinity an overflow past
    // the double range and a zero an underflow below it (or an exact zero
    // result): each rounds to the float of the same kind and sign.
    if (std::isfinite(x) && (z != z || std::isinf(z) || z == 0.0)) return static_cast<float>(z);
    if (std::isfinite(x)) {
        const double margin = std::fabs(z) * kLibmMargin;
        const float lo = static_cast<float>(z - margin);
        if (lo == static_cast<float>(z + margin)) return lo;
    }
    return exactFloat(exact, x);
}

// Calls visit(bits, worker) for every 32-bit pattern, split in slices over
// the cores.
inline void forEveryFloat(const std::function<void(uint32_t, int)>& visit) {
    const int workers = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    constexpr uint64_t kSlice = 1u << 20;
    std::atomic<uint64_t> next{0};
    std::vector<std::thread> threads;
    threads.reserve(static_cast<std::size_t>(workers));
    for (int w = 0; w < workers; ++w) {
        threads.emplace_back([&, w] {
            for (uint64_t start = next.fetch_add(kSlice); start < (1ull << 32);
                 start = next.fetch_add(kSlice))
                for (uint64_t b = start; b < start + kSlice; ++b) visit(static_cast<uint32_t>(b), w);
        });
    }
    for (auto& t : threads) t.join();
}

inline std::vector<const FloatFunction*> selectFunctions(int argc, char** argv) {
    std::vector<const FloatFunction*> chosen;
    for (const FloatFunction& f : floatFunctions()) {
        bool wanted = argc <= 1;
        for (int i = 1; i < argc; ++i) wanted |= std::string(argv[i]) == f.name;
        if (wanted) chosen.push_back(&f);
    }
    return chosen;
}

} // namespace fennrow::maths::oracle
