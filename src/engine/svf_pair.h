// Two state-variable filters run side by side, a lane each of one SSE
// register, for the two layers' filters, which take the same steps on
// different signals. Each lane does exactly processSvf's single-precision
// operations in the same order, so the outputs are the same bits.
#pragma once

#include "engine/flush.h"
#include "engine/svf.h"

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(FENNROW_NO_SIMD)
#include <emmintrin.h>
#define FENNROW_SVF_PAIR_SSE 1
#else
#define FENNROW_SVF_PAIR_SSE 0
#endif

namespace fennrow {

// Low-pass then high-pass on each of two signals, a sample at a time:
// step(a, b) is a = svfHighPass(highA, svfLowPass(lowA, a)), and likewise b.
#if FENNROW_SVF_PAIR_SSE

struct SvfLanes {
    __m128 a1, a2, a3, k, ic1, ic2;
};

inline SvfLanes loadSvfLanes(const Svf& a, const Svf& b) {
    return {_mm_setr_ps(a.a1, b.a1, 0.0f, 0.0f),   _mm_setr_ps(a.a2, b.a2, 0.0f, 0.0f),
            _mm_setr_ps(a.a3, b.a3, 0.0f, 0.0f),   _mm_setr_ps(a.k, b.k, 0.0f, 0.0f),
            _mm_setr_ps(a.ic1, b.ic1, 0.0f, 0.0f), _mm_setr_ps(a.ic2, b.ic2, 0.0f, 0.0f)};
}

inline void storeSvfLanes(const SvfLanes& lanes, Svf& a, Svf& b) {
    float ic1[4], ic2[4];
    _mm_storeu_ps(ic1, lanes.ic1);
    _mm_storeu_ps(ic2, lanes.ic2);
    a.ic1 = ic1[0];
    b.ic1 = ic1[1];
    a.ic2 = ic2[0];
    b.ic2 = ic2[1];
}

// flushTiny on each lane: |v| below the threshold becomes +0; NaN stays.
inline __m128 flushTinyLanes(__m128 v) {
    const __m128 magnitude = _mm_andnot_ps(_mm_set1_ps(-0.0f), v);
    return _mm_andnot_ps(_mm_cmplt_ps(magnitude, _mm_set1_ps(kFlushThreshold)), v);
}

inline void processSvfLanes(SvfLanes& f, __m128 x, __m128& low, __m128& band) {
    const __m128 t = _mm_sub_ps(x, f.ic2);
    band = _mm_add_ps(_mm_mul_ps(f.a1, f.ic1), _mm_mul_ps(f.a2, t));
    low = _mm_add_ps(_mm_add_ps(f.ic2, _mm_mul_ps(f.a2, f.ic1)), _mm_mul_ps(f.a3, t));
    f.ic1 = flushTinyLanes(_mm_sub_ps(_mm_mul_ps(_mm_set1_ps(2.0f), band), f.ic1));
    f.ic2 = flushTinyLanes(_mm_sub_ps(_mm_mul_ps(_mm_set1_ps(2.0f), low), f.ic2));
}

// The two layers' filters held in registers while a loop steps them a
// sample at a time; store() writes their state back.
struct ToneFilterPair {
    Svf& lowA;
    Svf& lowB;
    Svf& highA;
    Svf& highB;
    SvfLanes low = loadSvfLanes(lowA, lowB);
    SvfLanes high = loadSvfLanes(highA, highB);

    inline __attribute__((always_inline)) void step(float& a, float& b) {
        __m128 lowOut, band;
        processSvfLanes(low, _mm_setr_ps(a, b, 0.0f, 0.0f), lowOut, band);
        __m128 highLow, highBand;
        processSvfLanes(high, lowOut, highLow, highBand);
        const __m128 out = _mm_sub_ps(_mm_sub_ps(lowOut, _mm_mul_ps(high.k, highBand)), highLow);
        a = _mm_cvtss_f32(out);
        b = _mm_cvtss_f32(_mm_shuffle_ps(out, out, 1));
    }
    void store() {
        storeSvfLanes(low, lowA, lowB);
        storeSvfLanes(high, highA, highB);
    }
};

#else

struct ToneFilterPair {
    Svf& lowA;
    Svf& lowB;
    Svf& highA;
    Svf& highB;

    void step(float& a, float& b) {
        a = svfHighPass(highA, svfLowPass(lowA, a));
        b = svfHighPass(highB, svfLowPass(lowB, b));
    }
    void store() {}
};

#endif

} // namespace fennrow
