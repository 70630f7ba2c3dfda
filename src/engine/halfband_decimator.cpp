#include "engine/halfband_decimator.h"

#include "engine/dsp_constants.h"
#include "engine/halfband_pair_lanes.h"
#include "maths/float_functions.h"
#if FENNROW_SIMD
#include "maths/lanes_sse2.h"
#endif

#include <cmath>
#include <cstring>

namespace fennrow::engine {

namespace {

constexpr int kCentre = 15;
// The width of the scalar form's portable vectors, as wide as SSE2's.
constexpr int kScalarVectorFloats = 4;

HalfbandTaps buildTaps() {
    HalfbandTaps t{};
    for (int i = 0; i < kHalfbandTapCount; ++i) {
        const float offset = static_cast<float>(i - kCentre);
        const float s = i == kCentre ? 0.5f : maths::sinf(offset * kHalfPi32) / (offset * kPi32);
        const float fi = static_cast<float>(i);
        // Blackman window over the 31 points.
        const float w =
            0.42f - 0.5f * maths::cosf(fi * kTwoPi32 / 30.0f) + 0.08f * maths::cosf(fi * kFourPi32 / 30.0f);
        t.taps[i] = w * s;
    }
    float sum = 0.0f;
    for (int i = 0; i < kHalfbandTapCount; ++i) sum += t.taps[i];
    // Divided (not multiplied by the reciprocal) so the DC gain rounds to 1.
    for (int i = 0; i < kHalfbandTapCount; ++i) t.taps[i] = t.taps[i] / sum;
    return t;
}

} // namespace

const HalfbandTaps& halfbandTaps() {
    static const HalfbandTaps taps = buildTaps();
    return taps;
}

float processHalfband(HalfbandDecimator& dec, const HalfbandTaps& taps, float a, float b) {
    float acc = 0.0f;
    acc += taps.taps[0] * a;
    for (int r = 0; r < kHalfbandHistory; ++r) {
        acc += taps.taps[2 * r + 1] * dec.odd[kHalfbandHistory - 1 - r];
        acc += taps.taps[2 * r + 2] * dec.even[kHalfbandHistory - 1 - r];
    }
    std::memmove(dec.even, dec.even + 1, sizeof dec.even - sizeof(float));
    std::memmove(dec.odd, dec.odd + 1, sizeof dec.odd - sizeof(float));
    dec.even[kHalfbandHistory - 1] = a;
    dec.odd[kHalfbandHistory - 1] = b;
    return acc;
}

void beginHalfbandBlock(const HalfbandDecimator& dec, HalfbandBlock& block) {
    std::memcpy(block.even, dec.even, sizeof dec.even);
    std::memcpy(block.odd, dec.odd, sizeof dec.odd);
}

namespace {

// Lanes past the end read these slots; keep them finite.
void clearHalfbandTail(HalfbandBlock& block, int count) {
    for (int m = count; m < count + kHalfbandLanes; ++m) {
        block.even[kHalfbandHistory + m] = 0.0f;
        block.odd[kHalfbandHistory + m] = 0.0f;
    }
}

// Keep the block's last inputs, as per-pair processing would.
void advanceHalfbandHistory(HalfbandDecimator& dec, const HalfbandBlock& block, int count) {
    std::memcpy(dec.even, block.even + count, sizeof dec.even);
    std::memcpy(dec.odd, block.odd + count, sizeof dec.odd);
}

} // namespace

void scalar::filterHalfbandPair(const HalfbandBlock& blockA, const HalfbandBlock& blockB,
                                const HalfbandTaps& taps, int count, float* outA, float* outB) {
    filterPairBlock<kScalarVectorFloats>(blockA, blockB, taps, count, outA, outB);
}

#if FENNROW_SIMD
void sse2::filterHalfbandPair(const HalfbandBlock& blockA, const HalfbandBlock& blockB,
                              const HalfbandTaps& taps, int count, float* outA, float* outB) {
    filterPairBlock<maths::sse2::kFloatLanes>(blockA, blockB, taps, count, outA, outB);
}
#endif

namespace {
constexpr maths::SimdForms<HalfbandPairForm> kForms = FENNROW_SIMD_FORMS(filterHalfbandPair);
} // namespace

void finishHalfbandPair(maths::SimdPath path, HalfbandDecimator& decA, HalfbandBlock& blockA,
                        HalfbandDecimator& decB, HalfbandBlock& blockB, const HalfbandTaps& taps, int count,
                        float* outA, float* outB) {
    clearHalfbandTail(blockA, count);
    clearHalfbandTail(blockB, count);
    kForms[path](blockA, blockB, taps, count, outA, outB);
    advanceHalfbandHistory(decA, blockA, count);
    advanceHalfbandHistory(decB, blockB, count);
}

} // namespace fennrow::engine
