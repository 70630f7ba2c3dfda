// The fast paths of exp and log1p, written once for a scalar double and for
// SIMD lanes (GCC/Clang vector types of 2 or 4 doubles), so that the batched
// forms do exactly the scalar operations in each lane. Each estimate returns
// two candidates: the rounding of the lower and of the upper end of an
// interval proven to hold the exact result. Where the two agree (the
// rounding test, after Ziv), that is the correctly rounded result;
// elsewhere the caller runs the exact path.
//
// Everything here has internal linkage: the scalar functions instantiate the
// estimates with ScalarLanes, whose copies an AVX2 file must not share with
// them through the linker (the lanes of lanes_sse2.h and lanes_avx2.h are
// each their own types).
#pragma once

// A lanes header: after avx2_target_begin.h in an AVX2 file.
#define FENNROW_LANE_TEMPLATES

#include "maths/constants.h"
#include "maths/double_arith.h"
#include "maths/double_tables.h"
#include "maths/simd.h"

#include <cstdint>

namespace fennrow::maths {
namespace {

// The lane operations the estimates need beyond + - *, for a scalar double;
// the batched code provides the same for its vector types.
struct ScalarLanes {
    using D = double;
    using U = std::uint64_t;
    static U bits(D x) { return bitsOf(x); }
    static D fromBitsOf(U b) { return fromBits(b); }
    static D abs(D x) { return fromBits(bitsOf(x) & ~(std::uint64_t{1} << 63)); }
    static void expTable(U j, D& hi, D& lo) {
        hi = kExp2Table[j][0];
        lo = kExp2Table[j][1];
    }
    static void logTable(U i, D& c, D& hi, D& lo) {
        c = kLogTable[i][0];
        hi = kLogTable[i][1];
        lo = kLogTable[i][2];
    }
    // The exponent field of t (bits(s) minus the bins' offset): signed here;
    // the batched code only takes inputs for which it is non-negative.
    static U exponent(U t) { return static_cast<U>(static_cast<std::int64_t>(t) >> 52); }
    // A small integer held in a lane of bits, as a double.
    static D smallIntToDouble(U e) { return static_cast<D>(static_cast<std::int64_t>(e)); }
    static DoubleDouble product(D a, D b) { return twoProduct(a, b); }
};

template <class D>
struct DD {
    D hi;
    D lo;
};

template <class D>
inline DD<D> laneTwoSum(D a, D b) {
    const D s = a + b;
    const D bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

template <class D>
inline DD<D> laneFastTwoSum(D a, D b) {
    const D s = a + b;
    return {s, b - (s - a)};
}

// Dekker's product with Veltkamp's splitting (see double_arith.h), for any
// lane type: a b = hi + lo exactly.
template <class D>
inline DD<D> laneTwoProduct(D a, D b) {
    const D p = a * b;
    const D ca = a * 134217729.0;
    const D ah = ca - (ca - a);
    const D al = a - ah;
    const D cb = b * 134217729.0;
    const D bh = cb - (cb - b);
    const D bl = b - bh;
    return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

// exp(x) = 2^K (hi + lo) (1 + eps), for |x| <= 709.8 (k below fits 19 bits).
//
// x = k ln2/256 + r with k = round(256 x / ln 2), j = k mod 256, K = floor(k / 256):
// exp(x) = 2^K 2^(j/256) e^r, |r| <= ln2/512 + 2^-40 < 2^-9.52 = rho.
// Bounds (relative to the result unless said otherwise):
// - r = rh + rl: k kExpL1 and k kExpL2 are exact (34-bit pieces, |k| < 2^19),
//   x - k kExpL1 is exact (Sterbenz), rh + e1 = that - k kExpL2 exactly
//   (TwoSum); |ln2/256 - L1 - L2 - L3| < 2^-132, and the two roundings in
//   rl stay below 2^-113: |r - rh - rl| < 2^-112, |rl| < 2^-60.6.
// - e^r = 1 + rh + s with s = rl + q + rl rh and q the degree-6 Taylor tail
//   in rh: truncation rho^7/7! e^rho < 2^-78.9, dropping rl rh^2/2 < 2^-79;
//   q is rounded by at most 3.1 2^-53 |q| < 2^-71.4 (rh^2 and Horner), s by
//   2 2^-53 |s| < 2^-72.
// - T = 2^(j/256) = Th + Tl to 2^-106 (table). Th rh = ph + pl exactly
//   (Dekker), Th + ph = hi + e2 exactly (Fast2Sum, |Th| >= 1 > |ph|), Th s is
//   rounded by 2^-71.9, and the two additions into lo that involve it by
//   2^-70.9 together; the other roundings are below 2^-100.
// Sum: |hi + lo - T e^r| < 2^-69 T e^r < 2^-68, as T e^r < 2.003.
template <class L, class D = typename L::D, class U = typename L::U>
FENNROW_ALWAYS_INLINE DD<D> expDoubleEstimate(D x, U& k) {
    const D t = x * kExpInvL;
    const D shifted = t + kRoundingShift;
    const D kd = shifted - kRoundingShift;
    k = L::bits(shifted); // low 51 bits hold k + 2^51
    D th, tl;
    L::expTable(k & 255, th, tl);
    const D r1 = x - kd * kExpL1;
    const DD<D> r = laneTwoSum(r1, D(kd * -kExpL2));
    const D rh = r.hi;
    const D rl = r.lo - kd * kExpL3;
    constexpr double c3 = 1.0 / 6, c4 = 1.0 / 24, c5 = 1.0 / 120, c6 = 1.0 / 720;
    const D q = (rh * rh) * (0.5 + rh * (c3 + rh * (c4 + rh * (c5 + rh * c6))));
    const D s = rl + (q + rl * rh);
    const auto p = L::product(th, rh);
    const DD<D> h = laneFastTwoSum(th, p.hi);
    const D lo = h.lo + (((tl * (rh + s) + p.lo) + tl) + th * s);
    return {h.hi, lo};
}

// The error allowed in the rounding test of expDoubleEstimate: the 2^-68 above, plus the
// rounding of lo -+ err (below 2^-72 as |lo| < 2^-18.9), doubled for margin.
inline constexpr double kExpFastError = 0x1p-67;

// Bits of 2^K for the k that expDoubleEstimate returns (K = floor(k / 256)), for
// -1022 <= K <= 1023.
template <class U>
inline U expScaleBits(U k) {
    // (k + 2^51) >> 8 = K + 2^43; add the exponent bias and move it in place.
    const U kBiased = k & 0x000fffffffffffffULL;
    return ((kBiased >> 8) - (0x0000080000000000ULL - 1023)) << 52;
}

// log1p(x) = hi + lo with |error| <= log1pFastError(hi, rh), for
// -1 < x < 2^1000 and |x| >= 2^-54 (any x for which the scalar code calls it).
//
// 1 + x = sh + sl exactly (TwoSum); sh = 2^e m with m in [0.705, 1.410) from
// its bits, and sl 2^-e = slm exactly. The 256 bins of m (8 bits after the
// offset) give c ~ 1/m, with c = 1 exactly in the bin of 1, which spans
// [1 - 2^-10, 1 + 2^-9). Then log(1 + x) = e ln2 - log c + log1p(r) with
// r = m c - 1 + slm c, |r| <= 2^-9 + 2^-52 (tools/maths/gen_double_tables).
// - m c = ph + pl exactly (Dekker); ph - 1 is exact (Sterbenz); slm c is
//   rounded by < 2^-105 (0 when c = 1); r = rh + rl renormalised (TwoSum).
// - log1p(r) = r - r^2/2 + tail, tail = sum_{n=3..8} (-1)^(n+1) r^n/n in rh:
//   truncation < |r|^9/9 < |r| 2^-75; r^2/2 = rh^2/2 + rh rl + O(2^-120 |r|)
//   with rh^2 = sqh + sql exactly. The tail (< |r|^3/3 < |r| 2^-19.6) is
//   rounded by at most 3.7 2^-53 |tail| < |rh| 2^-70.7 (coefficient, rh^3,
//   Horner).
// - e kLn2Hi42 is exact (42-bit kLn2Hi42, |e| <= 1001) and so is its sum with the
//   table's hi = -log c on the grid of 2^-43 (a multiple of 2^-43 below 2^10).
//   The table's lo, e kLn2Lo42 and the splitting of ln 2 are off by < 2^-88.
// - hi comes from exact sums (Fast2Sum where the first term is 0 or larger:
//   outside the bin of 1, |e ln2 - log c| > 2^-9 >= |r|, and |rh^2/2| < |a|);
//   lo gathers the small terms first (|table lo| < 2^-44, so their
//   roundings stay below 2^-95 absolute, 2^-85 |y| as |y| > 2^-10 whenever
//   they are not 0) and the tail last (rounded by 2^-53 |lo| < |rh| 2^-72.5).
// So |hi + lo - log1p(x)| < |rh| 2^-70.2 + |hi| 2^-84.9; log1pFastError
// allows |rh| 2^-69 + |hi| 2^-83, which also covers the rounding of lo -+ err
// (2^-53 |lo|) and the step from |y| to |hi|.
template <class L, class D = typename L::D, class U = typename L::U>
FENNROW_ALWAYS_INLINE DD<D> log1pDoubleEstimate(D x, D& rhOut) {
    const DD<D> s = laneTwoSum(D(D{} + 1.0), x);
    const U b = L::bits(s.hi);
    const U t = b - kLogOffsetBits;
    const U e = L::exponent(t);
    D c, ah, al;
    L::logTable((t >> 44) & 255, c, ah, al);
    const D m = L::fromBitsOf(b - (e << 52));
    const D slm = s.lo * L::fromBitsOf((1023 - e) << 52);
    const auto p = L::product(m, c);
    const DD<D> r0 = laneFastTwoSum(D(p.hi - 1.0), p.lo);
    const DD<D> r = laneTwoSum(r0.hi, D(r0.lo + slm * c));
    const D rh = r.hi;
    const D rl = r.lo;
    const D ed = L::smallIntToDouble(e);
    const D k = ed * kLn2Hi42 + ah;        // exact
    const DD<D> a = laneFastTwoSum(k, rh); // |k| > 2^-9 >= |rh| unless k = 0
    const auto sq = L::product(rh, rh);
    const DD<D> h = laneFastTwoSum(a.hi, D(sq.hi * -0.5));
    constexpr double c3 = 1.0 / 3, c4 = 1.0 / 4, c5 = 1.0 / 5, c6 = 1.0 / 6, c7 = 1.0 / 7, c8 = 1.0 / 8;
    const D tail = (sq.hi * rh) * (c3 - rh * (c4 - rh * (c5 - rh * (c6 - rh * (c7 - rh * c8)))));
    const D small = (((al + ed * kLn2Lo42) + rl) + (a.lo + h.lo)) - (sq.lo * 0.5 + rh * rl);
    rhOut = rh;
    return {h.hi, small + tail};
}

template <class L, class D = typename L::D>
FENNROW_ALWAYS_INLINE D log1pFastError(D hi, D rh) {
    return L::abs(rh) * 0x1p-69 + L::abs(hi) * 0x1p-83;
}

} // namespace
} // namespace fennrow::maths
