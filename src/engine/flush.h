// Recursive states are cut to exactly zero once they fall below 1e-15, so a
// decaying filter or envelope never drifts into subnormal numbers.
#pragma once

#include <cmath>

namespace fennrow::engine {

inline constexpr float kFlushThreshold = 1e-15f;

inline float flushTiny(float v) { return std::fabs(v) < kFlushThreshold ? 0.0f : v; }

} // namespace fennrow::engine
