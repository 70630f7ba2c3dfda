// Constants used by more than one part of the library and by the engine, as
// the double nearest the real value.
#pragma once

namespace fennrow::maths {

inline constexpr double kLn2 = 0x1.62e42fefa39efp-1;
inline constexpr double kHalfPi = 0x1.921fb54442d18p+0;

} // namespace fennrow::maths
