// Argument reduction for sin, cos and tan: x = j * pi/2 + r with |r| <= pi/2
// (plus a hair), where j is even (parity 0, for sin) or odd (parity 1, for
// cos). Then sin x = +-sin r and cos x = +-sin r, the sign flipped when
// (j + parity) & 2, so one odd polynomial serves both.
#pragma once

// External inline functions: before avx2_target_begin.h in an AVX2 file.
#if defined(FENNROW_AVX2_TARGET)
#error "include this header before avx2_target_begin.h"
#endif

#include "maths/constants.h"

#include <cstdint>

namespace fennrow::maths::detail {

struct ReducedAngle {
    double r;
    double absError; // |r - exact| <= absError + 2^-52 |r|
    bool negate;     // the result is -sin r
};

// Arguments up to this size take the short two-constant reduction in double.
inline constexpr double kShortReductionLimit = 0x1p20;

inline constexpr double kOneOverPi = 0x1.45f306dc9c883p-2;
// pi/2 = kHalfPi1 + kHalfPi2 + O(2^-87): kHalfPi1 has 33 significant bits,
// so j * kHalfPi1 is exact for |j| < 2^20.
inline constexpr double kHalfPi1 = 0x1.921fb544p+0;
inline constexpr double kHalfPi2 = 0x4.2d18469898cc4p-36;

// |x| <= kShortReductionLimit. j * kHalfPi1 is exact and so is x - j * kHalfPi1
// (both are multiples of 2^-32 below 2^21, except when |x| < 2^-8, where it
// is rounded once, within the 2^-52 |r| allowance). j * kHalfPi2 errs by at
// most 2^-53 |j kHalfPi2| <= |j| 2^-87 and kHalfPi2 itself by |j| 2^-87;
// the last subtraction rounds once. So |r - exact| <= |j| 2^-85 + 2^-52 |r|.
inline ReducedAngle reduceShort(double x, int parity) {
    const double half = 0.5 * parity;
    const double k = (x * kOneOverPi - half + kRoundingShift) - kRoundingShift;
    const double j = 2.0 * k + parity;
    const double r = (x - j * kHalfPi1) - j * kHalfPi2;
    const int64_t kInt = static_cast<int64_t>(k);
    return {r, (j < 0 ? -j : j) * 0x1p-85, ((kInt + parity) & 1) != 0};
}

// Any finite |x| above kShortReductionLimit: exact reduction with a 128-bit
// window of the bits of 2/pi (Payne and Hanek). |r - exact| <= 2^-100 +
// 2^-51 |r|.
ReducedAngle reduceLong(float x, int parity);

} // namespace fennrow::maths::detail
