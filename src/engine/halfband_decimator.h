// A 31-tap half-band FIR that brings the oversampled upper layer back to the
// sample rate: two inputs in, one output out. Every other tap is (nearly)
// zero, but all 31 are applied, in order, so the sums round the same way in
// every build.
#pragma once

#include "maths/simd.h"

namespace fennrow::engine {

inline constexpr int kHalfbandTapCount = 31;

struct HalfbandTaps {
    float taps[kHalfbandTapCount];
};

// The shared tap table, computed on first use (thread-safe).
const HalfbandTaps& halfbandTaps();

inline constexpr int kHalfbandHistory = 15; // past a's and past b's an output reads

// The inputs come in pairs, a (earlier) then b; the decimator keeps the last
// kHalfbandHistory of each stream, oldest first. An output reads its own a,
// then, going back, b and a of each earlier pair.
struct HalfbandDecimator {
    float even[kHalfbandHistory] = {}; // the a's
    float odd[kHalfbandHistory] = {};  // the b's
};

// One output from the two consecutive oversampled inputs a (earlier) and b.
float processHalfband(HalfbandDecimator& dec, const HalfbandTaps& taps, float a, float b);

inline void resetHalfband(HalfbandDecimator& dec) { dec = HalfbandDecimator{}; }

// Block processing with the same results as processHalfband, sample for
// sample. The history and the block's new inputs lie in one array per
// stream, so that neighbouring outputs read neighbouring memory and can be
// summed side by side; each output's own sum still runs over the taps in
// order 0..30.
inline constexpr int kHalfbandBlockMax = 64;
inline constexpr int kHalfbandLanes = 32; // outputs of the widest pass

struct HalfbandBlock {
    // New inputs of a block go to even[kHalfbandHistory + j] and
    // odd[kHalfbandHistory + j]; the slots before hold the history.
    alignas(32) float even[kHalfbandHistory + kHalfbandBlockMax + kHalfbandLanes];
    alignas(32) float odd[kHalfbandHistory + kHalfbandBlockMax + kHalfbandLanes];
};

// Copies the decimator's history into the block's history slots.
void beginHalfbandBlock(const HalfbandDecimator& dec, HalfbandBlock& block);

// Filters `count` (1..kHalfbandBlockMax) input pairs of each layer's block to
// its `out` and leaves each decimator exactly as `count` calls of
// processHalfband would. The two layers go side by side, which keeps more
// sums in flight. On `path`, which must be available; the same bits on
// every path.
void finishHalfbandPair(maths::SimdPath path, HalfbandDecimator& decA, HalfbandBlock& blockA,
                        HalfbandDecimator& decB, HalfbandBlock& blockB, const HalfbandTaps& taps, int count,
                        float* outA, float* outB);

// The filtering of finishHalfbandPair, one form for each instruction set
// (the AVX2 one in halfband_pair_avx2.cpp). The scalar form is written with
// the compiler's portable vectors, which any target lowers to what it has.
using HalfbandPairForm = void(const HalfbandBlock& blockA, const HalfbandBlock& blockB,
                              const HalfbandTaps& taps, int count, float* outA, float* outB);

namespace scalar {
HalfbandPairForm filterHalfbandPair;
} // namespace scalar

#if FENNROW_SIMD
namespace sse2 {
HalfbandPairForm filterHalfbandPair;
} // namespace sse2

namespace avx2 {
HalfbandPairForm filterHalfbandPair;
} // namespace avx2
#endif

} // namespace fennrow::engine
