// The kernel of finishHalfbandPair: both layers' decimators side by side,
// for the translation unit of each instruction set. Each
// output's sum is one chain of 31 additions that must keep its tap order,
// so the time goes in waiting for each addition; sixteen outputs of each layer in
// flight keep the processor busy meanwhile.
#pragma once

// A lanes header: after avx2_target_begin.h in an AVX2 file.
#define FENNROW_LANE_TEMPLATES

#include "engine/halfband_decimator.h"

#include <cstring>

namespace fennrow::engine {

// Vectors of N floats: four where SSE2 is the target, eight with AVX2 (the
// kFloatLanes of lanes_sse2.h and lanes_avx2.h); a
// pass makes four vectors of outputs of each layer.
template <int N>
struct HalfbandVectors {
    typedef float V __attribute__((vector_size(sizeof(float) * N)));
    static constexpr int kPerLayer = 4;
    static constexpr int kOutputs = N * kPerLayer;
    static_assert(kOutputs <= kHalfbandLanes, "a pass reads past the block's padding");
    static V load(const float* p) {
        V v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
};

// Outputs j0 .. j0 + HalfbandVectors<N>::kOutputs - 1 of both blocks. Output j reads a_j
// at even[15 + j], and k places back: even[15 + j - k/2] for even k,
// odd[14 + j - (k-1)/2] for odd k.
template <int N>
void filterPairLanes(const HalfbandBlock& blockA, const HalfbandBlock& blockB, const HalfbandTaps& taps,
                     int j0, float* outA, float* outB) {
    using Lanes = HalfbandVectors<N>;
    const HalfbandBlock* blocks[2] = {&blockA, &blockB};
    // Unrolled, so that the sums stay in registers.
    typename Lanes::V acc[2][Lanes::kPerLayer] = {};
    for (int r = 0; r < kHalfbandHistory; ++r) {
        const float te = taps.taps[2 * r];
        const float to = taps.taps[2 * r + 1];
#pragma GCC unroll 2
        for (int layer = 0; layer < 2; ++layer) {
            const float* even = blocks[layer]->even + j0 + kHalfbandHistory - r;
            const float* odd = blocks[layer]->odd + j0 + kHalfbandHistory - 1 - r;
#pragma GCC unroll 4
            for (int m = 0; m < Lanes::kPerLayer; ++m) {
                acc[layer][m] += te * Lanes::load(even + N * m);
                acc[layer][m] += to * Lanes::load(odd + N * m);
            }
        }
    }
    const float tl = taps.taps[kHalfbandTapCount - 1];
    float* outs[2] = {outA, outB};
#pragma GCC unroll 2
    for (int layer = 0; layer < 2; ++layer)
#pragma GCC unroll 4
        for (int m = 0; m < Lanes::kPerLayer; ++m) {
            const typename Lanes::V sum = acc[layer][m] + tl * Lanes::load(blocks[layer]->even + j0 + N * m);
            std::memcpy(outs[layer] + N * m, &sum, sizeof sum);
        }
}

// All `count` outputs of both blocks, a pass at a time.
template <int N>
void filterPairBlock(const HalfbandBlock& blockA, const HalfbandBlock& blockB, const HalfbandTaps& taps,
                     int count, float* outA, float* outB) {
    constexpr int kOutputs = HalfbandVectors<N>::kOutputs;
    float lanesA[kOutputs];
    float lanesB[kOutputs];
    for (int j0 = 0; j0 < count; j0 += kOutputs) {
        const int n = count - j0 < kOutputs ? count - j0 : kOutputs;
        if (n == kOutputs) {
            filterPairLanes<N>(blockA, blockB, taps, j0, outA + j0, outB + j0);
            continue;
        }
        filterPairLanes<N>(blockA, blockB, taps, j0, lanesA, lanesB);
        for (int m = 0; m < n; ++m) {
            outA[j0 + m] = lanesA[m];
            outB[j0 + m] = lanesB[m];
        }
    }
}

} // namespace fennrow::engine
