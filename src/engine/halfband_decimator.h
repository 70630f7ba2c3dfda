// A 31-tap half-band FIR that brings the oversampled upper layer back to the
// sample rate: two inputs in, one output out. Every other tap is (nearly)
// zero, but all 31 are applied, in order, so the sums round the same way in
// every build.
#pragma once

#include <cstdint>

namespace fennrow {

inline constexpr int kHalfbandTapCount = 31;

struct HalfbandTaps {
    float taps[kHalfbandTapCount];
};

// The shared tap table, computed on first use (thread-safe).
const HalfbandTaps& halfbandTaps();

struct HalfbandDecimator {
    float ring[kHalfbandTapCount] = {};
    int32_t writePos = 0;
};

// One output from the two consecutive oversampled inputs a (earlier) and b.
float processHalfband(HalfbandDecimator& dec, const HalfbandTaps& taps, float a, float b);

inline void resetHalfband(HalfbandDecimator& dec) { dec = HalfbandDecimator{}; }

// Block processing with the same results as processHalfband, sample for
// sample. The ring is unrolled into the even (a) and odd (b) input streams so
// that neighbouring outputs read neighbouring memory and can be summed side
// by side; each output's own sum still runs over the taps in order 0..30.
inline constexpr int kHalfbandHistory = 15; // past a's and past b's a block needs
inline constexpr int kHalfbandBlockMax = 64;
inline constexpr int kHalfbandLanes = 32; // outputs of the widest pass

struct HalfbandBlock {
    // New inputs of a block go to even[kHalfbandHistory + j] and
    // odd[kHalfbandHistory + j]; the slots before hold the history.
    alignas(32) float even[kHalfbandHistory + kHalfbandBlockMax + kHalfbandLanes];
    alignas(32) float odd[kHalfbandHistory + kHalfbandBlockMax + kHalfbandLanes];
};

// Unrolls the decimator's ring into the block's history slots.
void beginHalfbandBlock(const HalfbandDecimator& dec, HalfbandBlock& block);

// Filters `count` (1..kHalfbandBlockMax) input pairs of each layer's block to
// its `out` and leaves each decimator exactly as `count` calls of
// processHalfband would. The two layers go side by side, which keeps more
// sums in flight. wideLanes: AVX2 may do it (only where the processor has
// it; the same bits either way).
void finishHalfbandPair(HalfbandDecimator& decA, HalfbandBlock& blockA, HalfbandDecimator& decB,
                        HalfbandBlock& blockB, const HalfbandTaps& taps, int count, float* outA, float* outB,
                        bool wideLanes);

// The filtering of finishHalfbandPair, built for AVX2.
void filterHalfbandPairAvx2(const HalfbandBlock& blockA, const HalfbandBlock& blockB,
                            const HalfbandTaps& taps, int count, float* outA, float* outB);

} // namespace fennrow
