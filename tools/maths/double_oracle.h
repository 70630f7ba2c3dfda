// MPFR as the oracle of the double-precision functions (the exact value
// rounded once to nearest even, subnormals included) and the published
// worst cases for their rounding; shared by tests/maths and the sampled
// check tool.
#pragma once

#include <mpfr.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace fennrow::maths::oracle {

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

// Worst cases for correct rounding found by Lefevre and Muller ("Worst Cases
// for Correct Rounding of the Elementary Functions in Double Precision",
// INRIA RR-4044, 2000, and its 2003 update), as listed in OpenJDK's
// test/jdk/java/lang/Math/WorstCaseTests.java.
inline const std::vector<double> kExpWorstCases = {
    -0x1.E8BDBFCD9144Ep3,   -0x1.71E0B869B5E79p2,   -0x1.02393D5976769p1,   -0x1.2A9CAD9998262p0,
    -0x1.CC37EF7DE7501p0,   -0x1.22E24FA3D5CF9p-1,  -0x1.DC2B5DF1F7D3Dp-1,  -0x1.290EA09E36479p-3,
    -0x1.A2FEFEFD580DFp-13, -0x1.ED318EFB627EAp-27, -0x1.4BD46601AE1EFp-31, -0x1.1000000000242p-42,
    -0x1.2000000000288p-42, -0x1.8000000000012p-48, -0x1.0000000000001p-51, 0x1.FFFFFFFFFFFFFp-53,
    0x1.FFFFFFFFFFFE0p-48,  0x1.7FFE7FFEE0024p-32,  0x1.80017FFEDFFDCp-32,  0x1.9E9CBBFD6080Bp-31,
    0x1.D7A7D893609E5p-26,  0x1.BA07D73250DE7p-14,  0x1.D77FD13D27FFFp-11,  0x1.6A4D1AF9CC989p-8,
    0x1.ACCFBE46B4EF0p-1,   0x1.ACA7AE8DA5A7Bp0,    0x1.D6336A88077AAp0,    0x2.85DC78FB8928Cp0,
    0x1.76E7E5D7B6EACp3,    0x1.A8EAD058BC6B8p3,    0x1.1D5C2DAEBE367p4,    0x1.C44CE0D716A1Ap4,
};
inline const std::vector<double> kTanWorstCases = {
    0x1.DFFFFFFFFFF1Fp-22, 0x1.67FFFFFFFA114p-18, 0x1.50486B2F87014p-5, 0x1.52C39EF070CADp-4,
    0x1.A33F32AC5CEB5p-3,  0x1.D696BFA988DB9p-2,  0x1.46AC372243536p-1,
};

// log's worst cases taken at x - 1, exact for these x, are log1p's.
inline std::vector<double> log1pWorstCases() {
    const double logCases[] = {
        0x1.0000000000001p0, 0x2.0012ECB039C9Cp0, 0x6.46A37FD503FDCp0, 0x7.78DFECC7F57Fp0,
        0x9.588CCF24BB9C8p0, 0xA.AF87550D97E4p0,  0xC.76F2496CB039p0,  0x11.1867637CBD03p0,
        0x13.D9D7D597A9DDp0, 0x17.F3825778AAAFp0, 0x1AC.50B409C8AEEp0, 0x1.DE7CD6751029Ap16,
    };
    std::vector<double> xs;
    for (double x : logCases) xs.push_back(x - 1.0);
    return xs;
}

} // namespace fennrow::maths::oracle
