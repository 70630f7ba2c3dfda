// The lanes of the SSE2 forms, for every routine that has one: two doubles
// (or two 64-bit integers) to a register, and the lane types of the maths
// loops built on them. The engine's SSE2 forms take their widths from here.
#pragma once

#include "maths/simd.h"

#if FENNROW_SIMD

#include "maths/exp2_block_lanes.h"
#include "maths/lane_block.h"
#include "maths/softplus_batch_lanes.h"

#include <cstdint>

namespace fennrow::maths::sse2 {

typedef double Doubles __attribute__((vector_size(16)));
typedef std::uint64_t Bits __attribute__((vector_size(16)));
typedef float FloatPair __attribute__((vector_size(8)));

inline constexpr int kDoubleLanes = 2;
inline constexpr int kFloatLanes = 4;

// sinfBlock's lanes (estimateBlock), exp2fBlock's, and the batched exp and
// log1p's.
using FloatBlockLanes = FloatLanes<Doubles, Bits, FloatPair, kDoubleLanes>;
using Exp2BlockLanes = Exp2Lanes<Doubles, Bits, FloatPair, kDoubleLanes>;
using DoubleLanes = VectorLanes<Doubles, Bits, kDoubleLanes>;

// DoubleLanes over two steps of each of two streams of floats (the
// feedback oscillators' A and B): group 0 holds A's two, group 1 B's.
struct TwoStreamLanes : DoubleLanes {
    static D loadSteps(const float* a, const float* b, int group) {
        const float* steps = group == 0 ? a : b;
        return D{static_cast<double>(steps[0]), static_cast<double>(steps[1])};
    }
    static void storeSteps(D v, double* a, double* b, int group) { store(group == 0 ? a : b, v); }
};

} // namespace fennrow::maths::sse2

#endif
