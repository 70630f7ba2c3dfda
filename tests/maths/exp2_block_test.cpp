// Every vector path of the batched exp2f gives the scalar exp2f's bits, lane
// for lane: at any length, in place, across the pitch range and for the lanes
// the vector code hands back (hard cases, overflow, underflow, NaN).
#include "block_form_check.h"
#include "maths/bit_cast.h"
#include "maths/exp2_block.h"
#include "maths/float_functions.h"
#include "maths/float_rounding.h"
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
    {"dispatched", exp2fBlock, SimdPath::Scalar},
    {"scalar", scalar::exp2fBlock, SimdPath::Scalar},
#if FENNROW_SIMD
    {"sse2", sse2::exp2fBlock, SimdPath::Sse2},
    {"avx2", avx2::exp2fBlock, SimdPath::Avx2},
#endif
};

std::vector<float> inputs() {
    std::vector<float> v{0.0f,
                         -0.0f,
                         1e-45f,
                         -1e-45f,
                         1.0f,
                         -3.0f,
                         124.99999f,
                         125.0f,
                         125.5f,
                         127.99f,
                         128.0f,
                         -125.0f,
                         -126.5f,
                         -149.5f,
                         -150.0f,
                         -151.5f,
                         1e30f,
                         -1e30f,
                         std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity(),
                         std::numeric_limits<float>::quiet_NaN()};
    for (int i = 0; i < detail::kExp2HardCases.count; ++i)
        v.push_back(bitCast<float>(detail::kExp2HardCases.cases[i].input));
    std::mt19937 random(11);
    std::uniform_real_distribution<float> pitch(-6.0f, 6.0f); // the engine's exponents, in octaves
    for (int i = 0; i < 20000; ++i) v.push_back(pitch(random));
    for (int i = 0; i < 5000; ++i) v.push_back(bitCast<float>(static_cast<uint32_t>(random())));
    return v;
}

class Exp2BlockPath : public testing::TestWithParam<BlockForm> {};

TEST_P(Exp2BlockPath, GivesTheScalarBitsAtEveryLengthAndInPlace) {
    const BlockForm& form = GetParam();
    FENNROW_SKIP_UNLESS_AVAILABLE(form.needs);
    expectScalarBitsAtEveryLength(form, inputs(), exp2f, {1, 2, 3, 5, 7, 8, 9, 64});
}

INSTANTIATE_TEST_SUITE_P(EveryForm, Exp2BlockPath, testing::ValuesIn(kPaths), blockFormName);

} // namespace
} // namespace fennrow::maths
