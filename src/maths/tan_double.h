// Correctly rounded double-precision tangent (round to nearest even), with
// an exact argument reduction for every finite input.
#pragma once

namespace fennrow::maths {

double tan(double x);

} // namespace fennrow::maths
