// Exact building blocks for double-double arithmetic without a fused
// multiply-add (the project builds with -ffp-contract=off and no -mfma):
// Knuth's TwoSum, Dekker's FastTwoSum and Dekker's product with Veltkamp's
// splitting. Each returns the rounded result and its exact rounding error,
// so that hi + lo equals the mathematical result (barring overflow).
#pragma once

// External inline functions: before avx2_target_begin.h in an AVX2 file.
#if defined(FENNROW_AVX2_TARGET)
#error "include this header before avx2_target_begin.h"
#endif

#include "maths/bit_cast.h"

#include <cstdint>

namespace fennrow::maths {

struct DoubleDouble {
    double hi;
    double lo;
};

inline std::uint64_t bitsOf(double x) { return bitCast<std::uint64_t>(x); }
inline double fromBits(std::uint64_t b) { return bitCast<double>(b); }

// a + b = hi + lo exactly, for any a and b (Knuth).
inline DoubleDouble twoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    const double err = (a - (s - bb)) + (b - bb);
    return {s, err};
}

// a + b = hi + lo exactly, when a = 0 or |a| >= |b| (Dekker).
inline DoubleDouble fastTwoSum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

// Veltkamp's splitting: x = hi + lo with hi and lo of at most 26 significant
// bits each, for |x| < 2^995 (the multiplication by 2^27 + 1 must not overflow).
inline DoubleDouble split(double x) {
    constexpr double kSplitter = 134217729.0; // 2^27 + 1
    const double c = kSplitter * x;
    const double hi = c - (c - x);
    return {hi, x - hi};
}

// a * b = hi + lo exactly, unless the product underflows or |a|, |b| >= 2^995
// (Dekker).
inline DoubleDouble twoProduct(double a, double b) {
    const double p = a * b;
    const DoubleDouble as = split(a);
    const DoubleDouble bs = split(b);
    const double err = ((as.hi * bs.hi - p) + as.hi * bs.lo + as.lo * bs.hi) + as.lo * bs.lo;
    return {p, err};
}

// 2^e as a double for -1022 <= e <= 1023, built from its bits.
inline double powerOfTwo(int e) { return fromBits(static_cast<std::uint64_t>(e + 1023) << 52); }

// x * 2^e for |x| >= 1 (or x = 0) and -2044 <= e <= 2046, when the result is
// representable (then it is exact) or overflows (then it is infinite). Two
// steps, neither of which rounds under that condition.
inline double scaleExactly(double x, int e) {
    if (e < -1022) return (x * 0x1p-1022) * powerOfTwo(e + 1022);
    if (e > 1023) return (x * 0x1p1023) * powerOfTwo(e - 1023);
    return x * powerOfTwo(e);
}

} // namespace fennrow::maths
