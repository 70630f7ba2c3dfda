// Signed 256-bit fixed-point numbers with 192 fraction bits: the arithmetic of
// the exact paths of the double-precision functions. Every operation is
// exact except where stated, and those truncate by less than one unit of
// 2^-192, which makes error bounds a matter of counting operations. Speed is
// secondary: these paths run only for the rare inputs that the fast
// double-double evaluations cannot round with certainty.
#pragma once

#include <cstdint>

namespace fennrow::maths {

inline constexpr int kFixedFractionBits = 192;

// Two's complement, little-endian words; the value is the integer times
// 2^-192, so w[3] holds the integer part (the range is [-2^63, 2^63)).
struct Fixed {
    std::uint64_t w[4];
};

inline constexpr Fixed kFixedOne{{0, 0, 0, 1}};

bool fixedIsNegative(const Fixed& a);
bool fixedIsZero(const Fixed& a);
Fixed fixedAdd(const Fixed& a, const Fixed& b);
Fixed fixedSub(const Fixed& a, const Fixed& b);
Fixed fixedNeg(const Fixed& a);
Fixed fixedAbs(const Fixed& a);
// a * 2^n exactly (n >= 0, no overflow) and a * 2^-n rounded toward -inf.
Fixed fixedShiftLeft(const Fixed& a, int n);
Fixed fixedShiftRight(const Fixed& a, int n);
// The product, its magnitude truncated: error below 2^-192.
Fixed fixedMul(const Fixed& a, const Fixed& b);
Fixed fixedMulInt(const Fixed& a, std::int64_t k); // exact
// a / d for d > 0, the magnitude truncated: error below 2^-192.
Fixed fixedDivInt(const Fixed& a, std::uint64_t d);
// 1 / d for d in [1, 4]: error below 2^-188.
Fixed fixedReciprocal(const Fixed& d);
// x * 2^192 truncated toward zero, for |x| < 2^62; exact when x is a
// multiple of 2^-192.
Fixed fixedFromDouble(double x);
Fixed fixedFromInt(std::int64_t k);
// An approximation of the value (truncated to a double).
double fixedToDouble(const Fixed& a);

// The double nearest to v * 2^scale, for v > 0 and a result that does not
// need more than 192 bits of v below its leading bit (true in every use).
// The value is known only to within err units of 2^-192 of v; `decided` tells
// whether every value in that interval rounds to the same double.
struct FixedRounding {
    double value;
    bool decided;
};
FixedRounding fixedRound(const Fixed& v, int scale, std::uint64_t err);

} // namespace fennrow::maths
