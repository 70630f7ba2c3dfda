#include "engine/halfband_decimator.h"

#include "engine/dsp_constants.h"
#include "engine/feedback_oscillators.h"
#include "engine/halfband_pair_lanes.h"
#include "maths/float_functions.h"

#include <cmath>

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

// The slot before `pos` in the ring.
int stepBack(int pos) { return pos == 0 ? kHalfbandTapCount - 1 : pos - 1; }

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
        pos = stepBack(pos);
    }
    dec.writePos = dec.writePos == kHalfbandTapCount - 1 ? 0 : dec.writePos + 1;
    dec.ring[dec.writePos] = b;
    dec.writePos = dec.writePos == kHalfbandTapCount - 1 ? 0 : dec.writePos + 1;
    return acc;
}

// The ring holds the last 31 inputs; the newest (a b) sits just before the
// write position. Going back from there they alternate b, a, b, a, ...
void beginHalfbandBlock(const HalfbandDecimator& dec, HalfbandBlock& block) {
    int pos = wrap(dec.writePos - 1);
    for (int r = 0; r < kHalfbandHistory; ++r) {
        block.odd[kHalfbandHistory - 1 - r] = dec.ring[pos];
        pos = stepBack(pos);
        block.even[kHalfbandHistory - 1 - r] = dec.ring[pos];
        pos = stepBack(pos);
    }
}

namespace {

// Lanes past the end read these slots; keep them finite.
void clearHalfbandTail(HalfbandBlock& block, int count) {
    for (int m = count; m < count + kHalfbandLanes; ++m) {
        block.even[kHalfbandHistory + m] = 0.0f;
        block.odd[kHalfbandHistory + m] = 0.0f;
    }
}

// Leave the ring as per-pair processing would: the newest 31 inputs behind
// the advanced write position.
void advanceHalfbandRing(HalfbandDecimator& dec, const HalfbandBlock& block, int count) {
    const int writePos = wrap(dec.writePos + 2 * count);
    const int last = kHalfbandHistory + count - 1;
    int pos = stepBack(writePos);
    for (int r = 0; r < kHalfbandHistory; ++r) {
        dec.ring[pos] = block.odd[last - r];
        pos = stepBack(pos);
        dec.ring[pos] = block.even[last - r];
        pos = stepBack(pos);
    }
    dec.ring[writePos] = block.odd[last - kHalfbandHistory];
    dec.writePos = writePos;
}

} // namespace

void finishHalfbandPair(HalfbandDecimator& decA, HalfbandBlock& blockA, HalfbandDecimator& decB,
                        HalfbandBlock& blockB, const HalfbandTaps& taps, int count, float* outA, float* outB,
                        bool wideLanes) {
    clearHalfbandTail(blockA, count);
    clearHalfbandTail(blockB, count);
#if FENNROW_ENGINE_AVX2
    if (wideLanes)
        filterHalfbandPairAvx2(blockA, blockB, taps, count, outA, outB);
    else
#endif
        filterPairBlock<4>(blockA, blockB, taps, count, outA, outB);
    advanceHalfbandRing(decA, blockA, count);
    advanceHalfbandRing(decB, blockB, count);
#if !FENNROW_ENGINE_AVX2
    (void)wideLanes;
#endif
}

} // namespace fennrow
