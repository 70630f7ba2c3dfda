// Correctly rounded double-precision exponential (round to nearest even),
// the same bits on every platform.
#pragma once

namespace fennrow::maths {

double exp(double x);

// The exact path alone, for |x| <= 746 (NaN and infinities excluded); the
// batched functions fall back to exp itself.
double expExact(double x);

} // namespace fennrow::maths
