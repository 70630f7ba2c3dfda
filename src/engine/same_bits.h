// Whether two floats are the same bits: unlike ==, it tells -0 from +0 and
// finds a NaN equal to itself, which is what "nothing would change" needs.
#pragma once

#include "maths/bit_cast.h"

#include <cstdint>

namespace fennrow::engine {

inline bool sameBits(float a, float b) { return maths::bitCast<uint32_t>(a) == maths::bitCast<uint32_t>(b); }

} // namespace fennrow::engine
