// Every vector path of the batched sine gives the scalar sinf's bits, lane
// for lane: at any length (tails included), in place, and for the lanes the
// vector code hands back (long reductions, NaN, infinities, hard cases).
#include "block_form_check.h"
#include "maths/bit_cast.h"
#include "maths/float_functions.h"
#include "maths/float_rounding.h"
#include "maths/sin_block.h"
#include "maths/sine_pair.h"
#include "support/simd_paths.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace fennrow::maths {
namespace {

// Each form, and the one the processor's path picks; a form runs where its
// path is available.
const BlockForm kPaths[] = {
    {"dispatched", sinfBlock, SimdPath::Scalar},
    {"scalar", scalar::sinfBlock, SimdPath::Scalar},
#if FENNROW_SIMD
    {"sse2", sse2::sinfBlock, SimdPath::Sse2},
    {"avx2", avx2::sinfBlock, SimdPath::Avx2},
#endif
};

std::vector<float> inputs() {
    std::vector<float> v{0.0f,
                         -0.0f,
                         1e-45f,
                         -1e-45f,
                         1.5707964f,
                         3.1415927f,
                         6.2831855f,
                         0x1p20f,
                         0x1.000002p20f,
                         -0x1p21f,
                         1e30f,
                         std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity(),
                         std::numeric_limits<float>::quiet_NaN()};
    for (int i = 0; i < detail::kSinHardCases.count; ++i)
        v.push_back(bitCast<float>(detail::kSinHardCases.cases[i].input));
    std::mt19937 random(7);
    std::uniform_real_distribution<float> phase(-1.0f, 8.0f);
    for (int i = 0; i < 20000; ++i) v.push_back(phase(random));
    for (int i = 0; i < 5000; ++i) v.push_back(bitCast<float>(static_cast<uint32_t>(random())));
    return v;
}

class SinBlockPath : public testing::TestWithParam<BlockForm> {};

TEST_P(SinBlockPath, GivesTheScalarBitsAtEveryLengthAndInPlace) {
    const BlockForm& form = GetParam();
    FENNROW_SKIP_UNLESS_AVAILABLE(form.needs);
    expectScalarBitsAtEveryLength(form, inputs(), sinf, {1, 2, 3, 5, 7, 8, 9, 13, 128});
}

INSTANTIATE_TEST_SUITE_P(EveryForm, SinBlockPath, testing::ValuesIn(kPaths), blockFormName);

TEST(SinePair, GivesTheScalarBits) {
    const std::vector<float> in = inputs();
    for (size_t i = 0; i + 1 < in.size(); i += 2) {
        float a, b;
        sinfPair(in[i], in[i + 1], a, b);
        ASSERT_EQ(bitCast<uint32_t>(a), bitCast<uint32_t>(sinf(in[i])))
            << "pair at " << std::hexfloat << in[i];
        ASSERT_EQ(bitCast<uint32_t>(b), bitCast<uint32_t>(sinf(in[i + 1])))
            << "pair at " << std::hexfloat << in[i + 1];
    }
}

} // namespace
} // namespace fennrow::maths
