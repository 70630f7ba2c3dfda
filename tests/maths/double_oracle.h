// MPFR as the oracle of the double-precision functions: the exact value
// rounded once to nearest even, subnormals included.
#pragma once

#include <mpfr.h>

#include <cstdint>
#include <cstring>

namespace fennrow::maths::testing {

using MpfrFunction = int (*)(mpfr_ptr, mpfr_srcptr, mpfr_rnd_t);

inline double mpfrDouble(MpfrFunction f, double x) {
    // The double format's exponent range, so that MPFR rounds subnormal
    // results once, at their own precision (restored for other tests).
    const mpfr_exp_t emin = mpfr_get_emin();
    const mpfr_exp_t emax = mpfr_get_emax();
    mpfr_set_emin(-1073);
    mpfr_set_emax(1024);
    mpfr_t in, out;
    mpfr_init2(in, 53);
    mpfr_init2(out, 53);
    mpfr_set_d(in, x, MPFR_RNDN);
    const int inexact = f(out, in, MPFR_RNDN);
    mpfr_subnormalize(out, inexact, MPFR_RNDN);
    const double result = mpfr_get_d(out, MPFR_RNDN);
    mpfr_clear(in);
    mpfr_clear(out);
    mpfr_set_emin(emin);
    mpfr_set_emax(emax);
    return result;
}

// Equal bits, or both NaN.
inline bool sameDouble(double a, double b) {
    if (a != a && b != b) return true;
    std::uint64_t ba, bb;
    std::memcpy(&ba, &a, sizeof a);
    std::memcpy(&bb, &b, sizeof b);
    return ba == bb;
}

} // namespace fennrow::maths::testing
