// Constants used by more than one part of the library and by the engine, as
// the double nearest the real value.
#pragma once

namespace fennrow::maths {

inline constexpr double kLn2 = 0x1.62e42fefa39efp-1;
inline constexpr double kLog2E = 0x1.71547652b82fep+0; // 1 / ln 2
inline constexpr double kHalfPi = 0x1.921fb54442d18p+0;

// 1.5 2^52: adding it rounds a double below 2^51 in magnitude to an
// integer, which then sits in the low bits of the sum.
inline constexpr double kRoundingShift = 0x1.8p52;

} // namespace fennrow::maths
