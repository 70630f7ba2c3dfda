// Constants shared by the engine's units, as the exact single-precision
// values the arithmetic is defined with.
#pragma once

namespace fennrow::engine {

inline constexpr float kPi32 = 3.1415927f;
inline constexpr float kTwoPi32 = 6.2831855f;
inline constexpr float kHalfPi32 = 1.5707964f;
inline constexpr float kFourPi32 = 12.566371f;
inline constexpr float kTwoOverPi32 = 0.63661975f;

} // namespace fennrow::engine
