// The two layers' filters, a low-pass then a high-pass on each, run side by
// side in the lanes of one SSE register: they take the same steps on
// different signals. Each lane does exactly processSvf's single-precision
// operations in the same order, so the outputs are the same bits.
#pragma once

#include "engine/flush.h"
#include "engine/svf.h"

#include "maths/simd.h"

#if FENNROW_SIMD
#include <emmintrin.h>
#endif

namespace fennrow::engine {

// Low-pass then high-pass on each of two signals, in a loop that takes a
// sample in and gives the one before out: begin(a, b) takes the first,
// step(a, b, outA, outB) each next one, end(outA, outB) gives the last. Each
// output is svfHighPass(highA, svfLowPass(lowA, a)), and likewise b.
#if FENNROW_SIMD

// The four filters in the lanes of one register: the two low-passes, then
// the two high-passes, each a sample behind its low-pass so that all four
// take their step together.
struct SvfLanes {
    __m128 a1, a2, a3, k, ic1, ic2;
};

// flushTiny on each lane: |v| below the threshold becomes +0; NaN stays.
inline __m128 flushTinyLanes(__m128 v) {
    const __m128 magnitude = _mm_andnot_ps(_mm_set1_ps(-0.0f), v);
    return _mm_andnot_ps(_mm_cmplt_ps(magnitude, _mm_set1_ps(kFlushThreshold)), v);
}

inline __m128 blendLanes(__m128 mask, __m128 ifSet, __m128 ifClear) {
    return _mm_or_ps(_mm_and_ps(mask, ifSet), _mm_andnot_ps(mask, ifClear));
}

class ToneFilterPair {
public:
    ToneFilterPair(Svf& lowA, Svf& lowB, Svf& highA, Svf& highB)
        : lowA_(lowA), lowB_(lowB), highA_(highA),
          highB_(highB), f_{lanes(&Svf::a1), lanes(&Svf::a2),  lanes(&Svf::a3),
                            lanes(&Svf::k),  lanes(&Svf::ic1), lanes(&Svf::ic2)} {}

    FENNROW_ALWAYS_INLINE void begin(float a, float b) {
        __m128 band;
        step(_mm_setr_ps(a, b, 0.0f, 0.0f), kLowPasses, pending_, band);
    }
    FENNROW_ALWAYS_INLINE void step(float a, float b, float& outA, float& outB) {
        const __m128 x = _mm_movelh_ps(_mm_setr_ps(a, b, 0.0f, 0.0f), pending_);
        __m128 low, band;
        step(x, kAll, low, band);
        output(x, low, band, outA, outB);
        pending_ = low;
    }
    FENNROW_ALWAYS_INLINE void end(float& outA, float& outB) {
        const __m128 x = _mm_movelh_ps(_mm_setzero_ps(), pending_);
        __m128 low, band;
        step(x, kHighPasses, low, band);
        output(x, low, band, outA, outB);
    }
    void store() {
        alignas(16) float ic1[4], ic2[4];
        _mm_store_ps(ic1, f_.ic1);
        _mm_store_ps(ic2, f_.ic2);
        Svf* filters[4] = {&lowA_, &lowB_, &highA_, &highB_};
        for (int lane = 0; lane < 4; ++lane) {
            filters[lane]->ic1 = ic1[lane];
            filters[lane]->ic2 = ic2[lane];
        }
    }

private:
    enum Lanes { kLowPasses, kHighPasses, kAll };

    __m128 lanes(float Svf::*field) const {
        return _mm_setr_ps(lowA_.*field, lowB_.*field, highA_.*field, highB_.*field);
    }

    // processSvf on each lane; only the chosen lanes keep their new state.
    FENNROW_ALWAYS_INLINE void step(__m128 x, Lanes which, __m128& low, __m128& band) {
        const __m128 t = _mm_sub_ps(x, f_.ic2);
        band = _mm_add_ps(_mm_mul_ps(f_.a1, f_.ic1), _mm_mul_ps(f_.a2, t));
        low = _mm_add_ps(_mm_add_ps(f_.ic2, _mm_mul_ps(f_.a2, f_.ic1)), _mm_mul_ps(f_.a3, t));
        const __m128 ic1 = flushTinyLanes(_mm_sub_ps(_mm_mul_ps(_mm_set1_ps(2.0f), band), f_.ic1));
        const __m128 ic2 = flushTinyLanes(_mm_sub_ps(_mm_mul_ps(_mm_set1_ps(2.0f), low), f_.ic2));
        if (which == kAll) {
            f_.ic1 = ic1;
            f_.ic2 = ic2;
            return;
        }
        const __m128 keep = _mm_castsi128_ps(which == kLowPasses ? _mm_setr_epi32(-1, -1, 0, 0)
                                                                 : _mm_setr_epi32(0, 0, -1, -1));
        f_.ic1 = blendLanes(keep, ic1, f_.ic1);
        f_.ic2 = blendLanes(keep, ic2, f_.ic2);
    }

    // The high-passes' outputs, x - k band - low, from lanes 2 and 3.
    FENNROW_ALWAYS_INLINE void output(__m128 x, __m128 low, __m128 band, float& outA, float& outB) {
        const __m128 out = _mm_sub_ps(_mm_sub_ps(x, _mm_mul_ps(f_.k, band)), low);
        outA = _mm_cvtss_f32(_mm_shuffle_ps(out, out, 2));
        outB = _mm_cvtss_f32(_mm_shuffle_ps(out, out, 3));
    }

    Svf& lowA_;
    Svf& lowB_;
    Svf& highA_;
    Svf& highB_;
    SvfLanes f_;
    __m128 pending_ = _mm_setzero_ps(); // the low-passes' last outputs, lanes 0 and 1
};

#else

class ToneFilterPair {
public:
    ToneFilterPair(Svf& lowA, Svf& lowB, Svf& highA, Svf& highB)
        : lowA_(lowA), lowB_(lowB), highA_(highA), highB_(highB) {}

    void begin(float a, float b) {
        pendingA_ = svfLowPass(lowA_, a);
        pendingB_ = svfLowPass(lowB_, b);
    }
    void step(float a, float b, float& outA, float& outB) {
        end(outA, outB);
        begin(a, b);
    }
    void end(float& outA, float& outB) {
        outA = svfHighPass(highA_, pendingA_);
        outB = svfHighPass(highB_, pendingB_);
    }
    void store() {}

private:
    Svf& lowA_;
    Svf& lowB_;
    Svf& highA_;
    Svf& highB_;
    float pendingA_ = 0.0f;
    float pendingB_ = 0.0f;
};

#endif

} // namespace fennrow::engine
