// The batched loops over vector lanes, for the translation units of each
// instruction set, each instantiated with that set's lane types
// (lanes_sse2.h, lanes_avx2.h). A lane that leaves
// the fast paths' domain or fails the rounding test is redone by the scalar function,
// so every lane is exactly the scalar result.
#pragma once

// A lanes header: after avx2_target_begin.h in an AVX2 file.
#define FENNROW_LANE_TEMPLATES

#include "maths/double_estimates.h"
#include "maths/exp_double.h"
#include "maths/lane_masks.h"
#include "maths/log1p_double.h"

#include <cstdint>
#include <cstring>
#include <emmintrin.h>

namespace fennrow::maths {
// The vector lanes' domains: results of exp there are normal numbers, so the
// scaling by 2^K is exact; for log1p the exponent of 1 + x lies in [0, 53].
inline constexpr double kBatchExpLow = -707.0;
inline constexpr double kBatchExpHigh = 709.0;
inline constexpr double kBatchLog1pLow = -0.25;
inline constexpr double kBatchLog1pHigh = 0x1p52;
inline constexpr double kBatchLog1pTiny = 0x1p-54; // below it log1p(x) = x
inline constexpr double kBatchLog1pSmall = 0x1p-7; // below it the series serves

// log1p(x) for |x| < 2^-7 (what is left of exp(x) for x below -4.8, much of
// the shaper's work) as x + lo, lo = x^2 P(x), P the series' terms to x^9 / 9,
// with no table and no exact products:
// - truncation: the first term left out bounds the rest, |x|^10 / 10 (1 +
//   2^-6) < 2^-66 |x|;
// - P by Horner's rule (|x t| < 2^-7 |c| at each step) errs by below
//   2^-52 relative, x^2 and the product are rounded once each: lo errs by
//   below 2^-51 |lo| <= 2^-51 x^2 / 2 (1 + 2^-6) < 2^-51.9 x^2;
// - lo -+ err is rounded by 2^-53 |lo -+ err| < 2^-53.9 x^2 + 2^-70 |x|.
// So |x| 2^-62 + x^2 2^-51 bounds the whole error in the rounding test: it stays
// near 2^-62 |x| for the smallest arguments, where most of them are.
inline constexpr double kLog1pSeriesError = 0x1p-62;
inline constexpr double kLog1pSeriesSquareError = 0x1p-51;

template <class Vd, class Vu, int N>
struct VectorLanes {
    using D = Vd;
    using U = Vu;
    static constexpr int kLanes = N;
    // Casts between vector types of one size keep the bits.
    static U bits(D x) { return (U)x; }
    static D fromBitsOf(U b) { return (D)b; }
    static D abs(D x) { return fromBitsOf(bits(x) & 0x7fffffffffffffffULL); }
    static void expTable(U j, D& hi, D& lo) {
        for (int i = 0; i < N; ++i) {
            hi[i] = kExp2Table[j[i]][0];
            lo[i] = kExp2Table[j[i]][1];
        }
    }
    static void logTable(U i, D& c, D& hi, D& lo) {
        for (int l = 0; l < N; ++l) {
            c[l] = kLogTable[i[l]][0];
            hi[l] = kLogTable[i[l]][1];
            lo[l] = kLogTable[i[l]][2];
        }
    }
    static U exponent(U t) { return t >> 52; }
    static DD<D> product(D a, D b) { return laneTwoProduct(a, b); }
    static D smallIntToDouble(U e) { return fromBitsOf(e + 0x4330000000000000ULL) - 0x1p52; }
    static D load(const double* p) {
        D v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    static void store(double* p, D v) { std::memcpy(p, &v, sizeof v); }
    static U mask(decltype(D{} < D{}) m) { return (U)m; }
    // Whether every lane's mask is set (the AVX2 lanes have their own).
    static bool all(U m) { return _mm_movemask_pd((__m128d)m) == kTwoLanesSet; }
};

// exp of N lanes; a failed lane is taken from the scalar exp (out is scratch
// space for that).
template <class L>
FENNROW_ALWAYS_INLINE typename L::D expLanes(typename L::D x, double* out) {
    using D = typename L::D;
    using U = typename L::U;
    U k;
    const DD<D> r = expDoubleEstimate<L>(x, k);
    const D low = r.hi + (r.lo - kExpFastError);
    const D high = r.hi + (r.lo + kExpFastError);
    const U ok = L::mask(low == high) & L::mask(x >= kBatchExpLow) & L::mask(x <= kBatchExpHigh);
    const D result = low * L::fromBitsOf(expScaleBits(k));
    if (L::all(ok)) return result;
    L::store(out, result);
    double in[L::kLanes];
    L::store(in, x);
    for (int i = 0; i < L::kLanes; ++i)
        if (ok[i] == 0) out[i] = exp(in[i]);
    return L::load(out);
}

// The series above for N lanes, whose lanes below 2^-54 answer x; false if a
// lane's rounding is left open (then the caller takes the general path for
// all of them).
template <class L>
FENNROW_ALWAYS_INLINE bool log1pSeriesLanes(typename L::D x, double* out) {
    using D = typename L::D;
    constexpr double c3 = 1.0 / 3, c5 = 1.0 / 5, c6 = 1.0 / 6, c7 = 1.0 / 7, c9 = 1.0 / 9;
    const D p = -0.5 + x * (c3 + x * (-0.25 + x * (c5 + x * (-c6 + x * (c7 + x * (-0.125 + x * c9))))));
    const D square = x * x;
    const D lo = square * p;
    const D err = L::abs(x) * kLog1pSeriesError + square * kLog1pSeriesSquareError;
    const D low = x + (lo - err);
    if (!L::all(L::mask(low == x + (lo + err)))) return false;
    // Below 2^-54 the answer is x itself, signed zero included.
    const typename L::U tiny = L::mask(L::abs(x) < kBatchLog1pTiny);
    L::store(out, L::fromBitsOf((tiny & L::bits(x)) | (~tiny & L::bits(low))));
    return true;
}

template <class L>
FENNROW_ALWAYS_INLINE void log1pLanes(typename L::D x, double* out) {
    using D = typename L::D;
    using U = typename L::U;
    const D ax = L::abs(x);
    if (L::all(L::mask(ax < kBatchLog1pSmall)) && log1pSeriesLanes<L>(x, out)) return;
    D rh;
    const DD<D> r = log1pDoubleEstimate<L>(x, rh);
    const D err = log1pFastError<L>(r.hi, rh);
    const D low = r.hi + (r.lo - err);
    const D high = r.hi + (r.lo + err);
    const U tiny = L::mask(L::abs(x) < kBatchLog1pTiny);
    const U ok = (L::mask(low == high) & L::mask(x >= kBatchLog1pLow) & L::mask(x < kBatchLog1pHigh)) | tiny;
    L::store(out, L::fromBitsOf((tiny & L::bits(x)) | (~tiny & L::bits(low))));
    if (L::all(ok)) return;
    double in[L::kLanes];
    L::store(in, x);
    for (int i = 0; i < L::kLanes; ++i)
        if (ok[i] == 0) out[i] = log1p(in[i]);
}

// The three batched loops; the last count % N elements go through the
// scalar functions.
template <class L>
void expBlock(const double* x, double* out, int count) {
    int i = 0;
    for (; i + L::kLanes <= count; i += L::kLanes) L::store(out + i, expLanes<L>(L::load(x + i), out + i));
    for (; i < count; ++i) out[i] = exp(x[i]);
}

template <class L>
void log1pBlock(const double* x, double* out, int count) {
    int i = 0;
    for (; i + L::kLanes <= count; i += L::kLanes) log1pLanes<L>(L::load(x + i), out + i);
    for (; i < count; ++i) out[i] = log1p(x[i]);
}

// Two passes (exp, then log1p in place): each loop keeps its own constants
// in registers, which is faster than one loop doing both.
template <class L>
void log1pExpBlock(const double* x, double* out, int count) {
    expBlock<L>(x, out, count);
    log1pBlock<L>(out, out, count);
}

} // namespace fennrow::maths
