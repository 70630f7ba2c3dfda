// The SIMD paths a test runs a routine's forms on, one case a path. A path
// this build or this processor cannot run says skipped, and why, rather than
// passing without having run.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "maths/simd.h"

namespace fennrow::test {

inline const auto kEverySimdPath =
    testing::Values(maths::SimdPath::Scalar, maths::SimdPath::Sse2, maths::SimdPath::Avx2);

inline std::string simdPathCaseName(const testing::TestParamInfo<maths::SimdPath>& info) {
    return maths::simdPathName(info.param);
}

inline const char* whySimdPathCannotRun() {
    return FENNROW_SIMD ? "this processor has no AVX2 and FMA" : "built without SIMD";
}

} // namespace fennrow::test

// Ends the test, said skipped, where `path` cannot run.
#define FENNROW_SKIP_UNLESS_AVAILABLE(path)                                                                  \
    if (!::fennrow::maths::simdPathAvailable(path)) GTEST_SKIP() << ::fennrow::test::whySimdPathCannotRun()
