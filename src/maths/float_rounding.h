// The rounding step shared by the single-precision functions (the words are
// those of src/maths/README.md). Each function first evaluates its estimate
// in double with a proven bound on the error; if every value within that
// bound rounds to the same float (the rounding test), that float is the
// correctly rounded result. The few inputs where the bound straddles a
// rounding boundary were found by enumerating all 2^32 inputs
// (fennrow_float_exhaustive --hard-cases) and are answered from a table of
// results that MPFR rounded exactly: the exact path.
#pragma once

// External inline functions: before avx2_target_begin.h in an AVX2 file.
#if defined(FENNROW_AVX2_TARGET)
#error "include this header before avx2_target_begin.h"
#endif

#include <cstdint>

namespace fennrow::maths::detail {

// The exact result lies within [y - halfWidth, y + halfWidth]. A half-width
// of 0 means y is exact (or a special value such as NaN or an infinity).
struct Estimate {
    double y;
    double halfWidth;
};

// The half-width bounds below are stated relative to |y| and include a
// margin for the rounding of y +- halfWidth themselves.
inline bool passesRoundingTest(const Estimate& e, float& out) {
    out = static_cast<float>(e.y);
    return e.halfWidth == 0.0 ||
           static_cast<float>(e.y - e.halfWidth) == static_cast<float>(e.y + e.halfWidth);
}

struct HardCase {
    uint32_t input;  // bits of the argument
    uint32_t result; // bits of the correctly rounded result
};

struct HardCaseTable {
    const HardCase* cases; // sorted by input
    int count;
};

// The table's result for x; `fallback` if x is not in it.
float lookupHardCase(const HardCaseTable& table, float x, float fallback);

inline float correctlyRounded(const Estimate& e, const HardCaseTable& table, float x) {
    float out;
    if (passesRoundingTest(e, out)) return out;
    return lookupHardCase(table, x, out);
}

extern const HardCaseTable kSinHardCases;
extern const HardCaseTable kCosHardCases;
extern const HardCaseTable kTanHardCases;
extern const HardCaseTable kExpHardCases;
extern const HardCaseTable kExp2HardCases;
extern const HardCaseTable kPow25HardCases;
extern const HardCaseTable kTanhHardCases;
extern const HardCaseTable kAsinHardCases;

} // namespace fennrow::maths::detail
