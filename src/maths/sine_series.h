// sin r for |r| <= pi/2 (plus a hair) as r + r^3 Q(r^2), Q the Taylor
// series to the r^21 term. The first term left out, r^23/23!, is below
// 2^-59.5 at pi/2, where sin r is near 1; below, it shrinks faster than
// sin r. The evaluation in double, with Q's alternating terms and the last
// sum (which at pi/2 adds -0.57 to 1.57), errs by less than 2^-51 |sin r|
// (by Estrin's scheme below), so with the reduction's 2^-52 |r| (sin's
// slope is at most 1 and |r| / |sin r| <= pi/2) the total is below
// 2^-50 |sin r| plus the reduction's absolute error: the functions use a
// width of 2^-49.
//
// Internal linkage: sineSeries is the scalar sinf's, and the AVX2 block form
// includes this after its target is set (for sineTail on its lanes), so its
// copy must stay its own.
#pragma once

// A lanes header: after avx2_target_begin.h in an AVX2 file.
#define FENNROW_LANE_TEMPLATES

#include "maths/bit_cast.h"

#include <cstdint>

namespace fennrow::maths::detail {
namespace {

inline constexpr uint64_t kSignBit = 0x8000000000000000ull;

inline constexpr double kSineCoefficients[] = {
    -1.0 / 6.0,
    1.0 / 120.0,
    -1.0 / 5040.0,
    1.0 / 362880.0,
    -1.0 / 39916800.0,
    1.0 / 6227020800.0,
    -1.0 / 1307674368000.0,
    1.0 / 355687428096000.0,
    -1.0 / 121645100408832000.0,
    1.0 / 51090942171709440000.0,
};
inline constexpr double kSineRelativeWidth = 0x1p-49;

// Q(z) by Estrin's scheme, in powers z, z^2, z^4, z^8 of z = r^2: the same
// terms as Horner's rule with about a third of its chain of dependent
// steps, which is what a single sine waits for. T is a double or a vector of
// doubles (the block lanes), which take exactly the same steps.
template <class T>
inline T sineTail(T z) {
    const double* c = kSineCoefficients;
    const T z2 = z * z;
    const T z4 = z2 * z2;
    const T z8 = z4 * z4;
    const T b0 = (c[0] + c[1] * z) + (c[2] + c[3] * z) * z2;
    const T b1 = (c[4] + c[5] * z) + (c[6] + c[7] * z) * z2;
    return (b0 + b1 * z4) + (c[8] + c[9] * z) * z8;
}

inline double sineSeries(double r) {
    const double z = r * r;
    // r + r^3 Q loses the sign of a zero r; sin r has the sign of r.
    const double s = r + r * (z * sineTail(z));
    return bitCast<double>((bitCast<uint64_t>(s) & ~kSignBit) | (bitCast<uint64_t>(r) & kSignBit));
}

} // namespace
} // namespace fennrow::maths::detail
