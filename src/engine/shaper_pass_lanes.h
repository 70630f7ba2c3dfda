// The shaper's antiderivative and quotient passes (finishShaperBlock) N steps
// at a time: two with SSE2 (tanh_shaper.cpp), four with AVX2
// (shaper_passes_avx2.cpp); the divisions are most of their cost. Each lane
// does exactly the scalar operations of shaperAntiderivativeFrom and of the
// quotient, so the results are the same bits. Include it after the AVX2
// target is set in the AVX2 file.
#pragma once

// A lanes header: after avx2_target_begin.h in an AVX2 file.
#define FENNROW_LANE_TEMPLATES

#include "engine/tanh_shaper.h"
#include "maths/simd.h"

#include <cstdint>
#include <cstring>

namespace fennrow::engine {

template <int N>
struct ShaperLanes {
    typedef double D __attribute__((vector_size(sizeof(double) * N)));
    typedef std::int64_t M __attribute__((vector_size(sizeof(double) * N)));
    typedef float F __attribute__((vector_size(sizeof(float) * N)));
    static FENNROW_ALWAYS_INLINE D load(const double* p) {
        D v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
};

// f[k + 1] for k = 0, N, 2N, ... while N steps remain; returns the first k
// not done.
template <int N>
int shaperAntiderivativePass(const TanhShaperParams& p, const ShaperTerms& terms, const double* x, double* f,
                             int count) {
    using L = ShaperLanes<N>;
    int k = 0;
    for (; k + N <= count; k += N) {
        const typename L::D logCosh = L::load(terms.softplus + k) + L::load(terms.u + k) - maths::kLn2 - p.f0;
        const typename L::D result =
            (logCosh / static_cast<double>(p.g) - static_cast<double>(p.d) * L::load(x + k + 1)) *
            static_cast<double>(p.n);
        std::memcpy(f + k + 1, &result, sizeof result);
    }
    return k;
}

// out[k] from x and f likewise; clears `allApart` if a step needs the
// midpoint rule (its quotient is then a placeholder).
template <int N>
int shaperQuotientPass(const double* x, const double* f, float* out, int count, bool& allApart) {
    using L = ShaperLanes<N>;
    typename L::M anyNear{};
    int k = 0;
    for (; k + N <= count; k += N) {
        const typename L::D diff = L::load(x + k + 1) - L::load(x + k);
        const typename L::M magnitude = (typename L::M)diff & INT64_MAX;
        const typename L::M near = (typename L::D)magnitude < kShaperMidpointThreshold;
        const typename L::M one = (typename L::M)(typename L::D{} + 1.0);
        const typename L::D divisor = (typename L::D)((near & one) | (~near & (typename L::M)diff));
        const typename L::F quotient =
            __builtin_convertvector((L::load(f + k + 1) - L::load(f + k)) / divisor, typename L::F);
        std::memcpy(out + k, &quotient, sizeof quotient);
        anyNear |= near;
    }
    for (int m = 0; m < N; ++m) allApart &= anyNear[m] == 0;
    return k;
}

} // namespace fennrow::engine
