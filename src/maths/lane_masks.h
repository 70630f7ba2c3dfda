// Lane masks as the movemask instructions give them, one bit per lane: the
// value when every lane is set.
#pragma once

namespace fennrow::maths {

inline constexpr int kTwoLanesSet = 0b11;
inline constexpr int kFourLanesSet = 0b1111;

} // namespace fennrow::maths
