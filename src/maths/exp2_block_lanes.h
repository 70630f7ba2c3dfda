// exp2f over vector lanes, for the translation units of each instruction set
// (internal linkage, like softplus_batch_lanes.h). Each lane runs the very
// operations of exp2f's estimate, none fused, so its estimate and width are
// exp2f's bits; a lane whose rounding the width leaves open, or whose
// argument lies outside the lanes' domain, is handed to the scalar exp2f.
// Every lane therefore gives exactly exp2f's result.
#pragma once

#include "maths/exp_kernel.h"
#include "maths/float_functions.h"

#include <cstdint>
#include <cstring>

namespace fennrow::maths {
namespace {

// Within it 2^k and the result are normal in float and in double, and the
// scalar estimate takes its general path (or the exact power, which the
// general path gives exactly too: e^0 is 1).
inline constexpr double kExp2LaneLimit = 125.0;

// Vd, Vu and Vf: vectors of N doubles, N 64-bit integers and N floats.
// `Decided` gives a bit per lane whose argument lies in the lanes' domain
// and whose rounding is settled: Decided::mask(inRange, lo, hi).
template <class Vd, class Vu, class Vf, int N, class Decided>
struct Exp2Lanes {
    static constexpr unsigned kAllDecided = (1u << N) - 1;

    // 2^x of N floats into `out` (which may be `in`); exp2f's estimate, lane
    // by lane.
    static inline __attribute__((always_inline)) unsigned estimate(const float* in, float* out) {
        Vf xf;
        std::memcpy(&xf, in, sizeof xf);
        const Vd x = __builtin_convertvector(xf, Vd);
        const Vu inRange = (Vu)((x >= -kExp2LaneLimit) & (x <= kExp2LaneLimit));
        const Vd shifted = x + detail::kRoundShift;
        const Vd k = shifted - detail::kRoundShift;
        const Vd r = (x - k) * detail::kLn2;
        Vd p = Vd{} + detail::kExpCoefficients[detail::kExpTerms - 1];
        for (int i = detail::kExpTerms - 2; i >= 0; --i) p = p * r + detail::kExpCoefficients[i];
        const Vd e = 1.0 + (r + r * (p * r));
        // The low bits of the shifted sum hold k: (k + 1023) << 52 is 2^k.
        const Vd scale = (Vd)(((Vu)shifted + 1023) << 52);
        const Vd y = e * scale;
        const Vd width = y * detail::kExpRelativeWidth;
        const Vf result = __builtin_convertvector(y, Vf);
        std::memcpy(out, &result, sizeof result);
        return Decided::mask(inRange, __builtin_convertvector(y - width, Vf),
                             __builtin_convertvector(y + width, Vf));
    }

    static void redoUndecided(const float* x, float* out, unsigned decided) {
        for (int m = 0; m < N; ++m)
            if (!((decided >> m) & 1)) out[m] = exp2f(x[m]);
    }

    // Four groups at a time, every estimate before any test, so that the
    // processor runs their polynomials side by side.
    static constexpr int kGroups = 4;

    static void block(const float* in, float* out, int count) {
        int i = 0;
        for (; i + kGroups * N <= count; i += kGroups * N) {
            float x[kGroups * N];
            std::memcpy(x, in + i, sizeof x);
            unsigned decided[kGroups];
            unsigned all = kAllDecided;
            for (int g = 0; g < kGroups; ++g) {
                decided[g] = estimate(x + g * N, out + i + g * N);
                all &= decided[g];
            }
            if (all != kAllDecided)
                for (int g = 0; g < kGroups; ++g) redoUndecided(x + g * N, out + i + g * N, decided[g]);
        }
        for (; i + N <= count; i += N) {
            float x[N];
            std::memcpy(x, in + i, sizeof x);
            const unsigned decided = estimate(x, out + i);
            if (decided != kAllDecided) redoUndecided(x, out + i, decided);
        }
        for (; i < count; ++i) out[i] = exp2f(in[i]);
    }
};

// The lanes' test, lane by lane; an instruction set may do better.
template <class Vu, class Vf, int N>
struct DecidedByLane {
    static inline __attribute__((always_inline)) unsigned mask(Vu inRange, Vf lo, Vf hi) {
        unsigned decided = 0;
        for (int m = 0; m < N; ++m) decided |= (inRange[m] != 0 && lo[m] == hi[m] ? 1u : 0u) << m;
        return decided;
    }
};

} // namespace
} // namespace fennrow::maths
