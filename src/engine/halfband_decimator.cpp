#include "engine/halfband_decimator.h"

#include "engine/dsp_constants.h"
#include "maths/float_functions.h"

#include <cmath>

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(FENNROW_NO_SIMD)
#include <emmintrin.h>
#define FENNROW_HALFBAND_SSE 1
#else
#define FENNROW_HALFBAND_SSE 0
#endif

namespace fennrow {

namespace {

constexpr int kCentre = 15;
constexpr float kHalfPi = 1.5707964f;
constexpr float kFourPi = 12.566371f;

HalfbandTaps buildTaps() {
    HalfbandTaps t{};
    for (int i = 0; i < kHalfbandTapCount; ++i) {
        const float offset = static_cast<float>(i - kCentre);
        const float s = i == kCentre ? 0.5f : maths::sinf(offset * kHalfPi) / (offset * kPi32);
        const float fi = static_cast<float>(i);
        // Blackman window over the 31 points.
        const float w =
            0.42f - 0.5f * maths::cosf(fi * kTwoPi32 / 30.0f) + 0.08f * maths::cosf(fi * kFourPi / 30.0f);
        t.taps[i] = w * s;
    }
    float sum = 0.0f;
    for (int i = 0; i < kHalfbandTapCount; ++i) sum += t.taps[i];
    // Divided (not multiplied by the reciprocal) so the DC gain rounds to 1.
    for (int i = 0; i < kHalfbandTapCount; ++i) t.taps[i] = t.taps[i] / sum;
    return t;
}

int wrap(int pos) { return ((pos % kHalfbandTapCount) + kHalfbandTapCount) % kHalfbandTapCount; }

} // namespace

const HalfbandTaps& halfbandTaps() {
    static const HalfbandTaps taps = buildTaps();
    return taps;
}

float processHalfband(HalfbandDecimator& dec, const HalfbandTaps& taps, float a, float b) {
    dec.ring[dec.writePos] = a;
    float acc = 0.0f;
    int pos = dec.writePos;
    for (int k = 0; k < kHalfbandTapCount; ++k) {
        acc += taps.taps[k] * dec.ring[pos];
        pos = pos == 0 ? kHalfbandTapCount - 1 : pos - 1;
    }
    dec.writePos = dec.writePos == kHalfbandTapCount - 1 ? 0 : dec.writePos + 1;
    dec.ring[dec.writePos] = b;
    dec.writePos = dec.writePos == kHalfbandTapCount - 1 ? 0 : dec.writePos + 1;
    return acc;
}

// The ring holds the last 31 inputs; the newest (a b) sits just before the
// write position. Going back from there they alternate b, a, b, a, ...
void beginHalfbandBlock(const HalfbandDecimator& dec, HalfbandBlock& block) {
    for (int r = 0; r < kHalfbandHistory; ++r) {
        block.odd[kHalfbandHistory - 1 - r] = dec.ring[wrap(dec.writePos - 1 - 2 * r)];
        block.even[kHalfbandHistory - 1 - r] = dec.ring[wrap(dec.writePos - 2 - 2 * r)];
    }
}

namespace {

// Outputs j0 .. j0 + kHalfbandLanes - 1. Output j reads a_j at
// even[15 + j], and k places back: even[15 + j - k/2] for even k,
// odd[14 + j - (k-1)/2] for odd k.
#if FENNROW_HALFBAND_SSE
// Each output's sum is one chain of 31 additions that must keep its order,
// so the time goes in waiting for each addition; four registers of outputs
// side by side keep the processor busy meanwhile.
void filterLanes(const HalfbandBlock& block, const HalfbandTaps& taps, int j0, float* out) {
    constexpr int kRegisters = kHalfbandLanes / 4;
    __m128 acc[kRegisters];
    for (__m128& a : acc) a = _mm_setzero_ps();
    const float* even = block.even + j0;
    const float* odd = block.odd + j0;
    for (int r = 0; r < kHalfbandHistory; ++r) {
        const __m128 te = _mm_set1_ps(taps.taps[2 * r]);
        const __m128 to = _mm_set1_ps(taps.taps[2 * r + 1]);
        for (int m = 0; m < kRegisters; ++m) {
            acc[m] = _mm_add_ps(acc[m], _mm_mul_ps(te, _mm_loadu_ps(even + kHalfbandHistory - r + 4 * m)));
            acc[m] = _mm_add_ps(acc[m], _mm_mul_ps(to, _mm_loadu_ps(odd + kHalfbandHistory - 1 - r + 4 * m)));
        }
    }
    const __m128 tl = _mm_set1_ps(taps.taps[kHalfbandTapCount - 1]);
    for (int m = 0; m < kRegisters; ++m)
        _mm_storeu_ps(out + 4 * m, _mm_add_ps(acc[m], _mm_mul_ps(tl, _mm_loadu_ps(even + 4 * m))));
}
#else
void filterLanes(const HalfbandBlock& block, const HalfbandTaps& taps, int j0, float* out) {
    float acc[kHalfbandLanes] = {};
    const float* even = block.even + j0;
    const float* odd = block.odd + j0;
    for (int r = 0; r < kHalfbandHistory; ++r) {
        const float te = taps.taps[2 * r];
        for (int m = 0; m < kHalfbandLanes; ++m) acc[m] += te * even[kHalfbandHistory - r + m];
        const float to = taps.taps[2 * r + 1];
        for (int m = 0; m < kHalfbandLanes; ++m) acc[m] += to * odd[kHalfbandHistory - 1 - r + m];
    }
    const float tl = taps.taps[kHalfbandTapCount - 1];
    for (int m = 0; m < kHalfbandLanes; ++m) acc[m] += tl * even[m];
    for (int m = 0; m < kHalfbandLanes; ++m) out[m] = acc[m];
}
#endif

} // namespace

void finishHalfbandBlock(HalfbandDecimator& dec, HalfbandBlock& block, const HalfbandTaps& taps, int count,
                         float* out) {
    // Lanes past the end read these slots; keep them finite.
    for (int m = count; m < count + kHalfbandLanes; ++m) {
        block.even[kHalfbandHistory + m] = 0.0f;
        block.odd[kHalfbandHistory + m] = 0.0f;
    }
    float lanes[kHalfbandLanes];
    for (int j0 = 0; j0 < count; j0 += kHalfbandLanes) {
        const int n = count - j0 < kHalfbandLanes ? count - j0 : kHalfbandLanes;
        if (n == kHalfbandLanes) {
            filterLanes(block, taps, j0, out + j0);
        } else {
            filterLanes(block, taps, j0, lanes);
            for (int m = 0; m < n; ++m) out[j0 + m] = lanes[m];
        }
    }
    // Leave the ring as per-pair processing would: the newest 31 inputs
    // behind the advanced write position.
    const int writePos = wrap(dec.writePos + 2 * count);
    const int last = kHalfbandHistory + count - 1;
    for (int r = 0; r < kHalfbandHistory; ++r) {
        dec.ring[wrap(writePos - 1 - 2 * r)] = block.odd[last - r];
        dec.ring[wrap(writePos - 2 - 2 * r)] = block.even[last - r];
    }
    dec.ring[writePos] = block.odd[last - kHalfbandHistory];
    dec.writePos = writePos;
}

} // namespace fennrow
