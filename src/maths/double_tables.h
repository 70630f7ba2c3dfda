// Constants and tables of the double-precision functions, generated with
// MPFR by tools/maths/gen_double_tables.cpp (see there for how each is made).
#pragma once

#include "maths/double_fixed.h"

#include <cstdint>

namespace fennrow::maths {

extern const double kExpInvL;
extern const double kExpL1;
extern const double kExpL2;
extern const double kExpL3;
extern const double kLn2Hi42;
extern const double kLn2Lo42;
extern const Fixed kFixedLn2;
extern const Fixed kFixedHalfPi;
extern const double kExp2Table[256][2];
extern const double kLogTable[256][3];
extern const std::uint64_t kTwoOverPiWords[24];

// The bins of the logarithm's table start at these bits (about 0.705).
inline constexpr std::uint64_t kLogOffsetBits = 0x3fe6880000000000ULL;

} // namespace fennrow::maths
