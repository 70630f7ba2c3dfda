// Correctly rounded double-precision log(1 + x) (round to nearest even),
// the same bits on every platform.
#pragma once

namespace fennrow::maths {

double log1p(double x);

// The exact path alone, for finite x > -1 with |x| >= 2^-54.
double log1pExact(double x);

} // namespace fennrow::maths
