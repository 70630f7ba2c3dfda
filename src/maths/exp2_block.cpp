// exp2f on several values at once: two lanes to an SSE2 register here, four
// to an AVX2 one in exp2_block_avx2.cpp, with exp2f's bits in every lane.
#include "maths/exp2_block.h"

#include "maths/float_functions.h"

#if FENNROW_MATHS_SSE2
#include "maths/exp2_block_lanes.h"
#endif

#include <cstdint>

namespace fennrow::maths {

namespace detail {

void exp2fBlockScalar(const float* in, float* out, int count) {
    for (int i = 0; i < count; ++i) out[i] = exp2f(in[i]);
}

#if FENNROW_MATHS_SSE2
namespace {
typedef double Sse2Doubles __attribute__((vector_size(16)));
typedef std::uint64_t Sse2Bits __attribute__((vector_size(16)));
typedef float Sse2Floats __attribute__((vector_size(8)));
} // namespace

void exp2fBlockSse2(const float* in, float* out, int count) {
    exp2Block<GenericLanes<Sse2Doubles, Sse2Bits, Sse2Floats, 2>>(in, out, count);
}
#endif

namespace {

using BlockFunction = void (*)(const float*, float*, int);

BlockFunction chooseBlockFunction() {
#if FENNROW_MATHS_AVX2
    if (processorHasAvx2()) return exp2fBlockAvx2;
#endif
#if FENNROW_MATHS_SSE2
    return exp2fBlockSse2;
#else
    return exp2fBlockScalar;
#endif
}

// Chosen once when the library is loaded, never on the audio thread.
const BlockFunction kExp2fBlock = chooseBlockFunction();

} // namespace

} // namespace detail

void exp2fBlock(const float* in, float* out, int count) { detail::kExp2fBlock(in, out, count); }

} // namespace fennrow::maths
