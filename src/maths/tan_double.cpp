#include "maths/tan_double.h"

#include "maths/constants.h"
#include "maths/double_arith.h"
#include "maths/double_fixed.h"
#include "maths/double_tables.h"

#include <limits>

namespace fennrow::maths {

namespace {

using u128 = unsigned __int128;

// A reduced argument: y = (-1)^negative Y 2^-s with Y in [1, 2) to within
// 2^-191 relatively, and the parity of the multiple of pi/2 taken off.
struct Reduced {
    Fixed bigY;
    int s;
    bool negative;
    bool odd;
};

constexpr int kWindow = 6; // words of 2/pi multiplied at once

int bitOf(const std::uint64_t* z, int n) { return static_cast<int>((z[n / 64] >> (n % 64)) & 1); }

// Clears the bits of the kWindow + 1 words of z from bit `point` up.
void keepBitsBelow(std::uint64_t* z, int point) {
    for (int w = 0; w <= kWindow; ++w) {
        const int lo = 64 * w;
        if (point <= lo)
            z[w] = 0;
        else if (point < lo + 64)
            z[w] &= (std::uint64_t{1} << (point - lo)) - 1;
    }
}

Fixed lowBitsUpTo192(Fixed r) {
    r.w[3] &= 1;
    return r;
}

// Bits [from - 192, from] of the integer z as a Fixed in [1, 2): bit `from`
// becomes the units bit (bits below 0 read as 0).
Fixed windowAt(const std::uint64_t* z, int from) {
    Fixed r{};
    for (int word = 0; word < 4; ++word) {
        // Bits [n, n + 64) of z go to word `word` of r.
        const int n = from - kFixedFractionBits + 64 * word;
        std::uint64_t v = 0;
        for (int part = 0; part < 2; ++part) {
            const int at = n + 64 * part;
            const int index = at >= 0 ? at / 64 : -1 - (-at - 1) / 64;
            if (index < 0 || index > kWindow) continue;
            const int shift = at - 64 * index; // 0..63
            v |= part == 0 ? z[index] >> shift : (shift == 0 ? 0 : z[index] << (64 - shift));
        }
        r.w[word] = v;
    }
    return lowBitsUpTo192(r);
}

// y = x - k pi/2 for |x| >= pi/4, Payne and Hanek's way: x 2/pi mod 2 from
// the bits of 2/pi that matter. With x = M 2^E (M < 2^53), word n of 2/pi
// contributes M P[n] 2^(E - 64(n+1)), a multiple of 2 for n < n0; the six
// words from n0 give the fraction to at least 320 bits, the words left off
// change it by less than 2^-267. |frac(x 2/pi)| >= 2^-62 for every double
// (the closest doubles to multiples of pi/2), so Y keeps 2^-191.
Reduced reduce(double ax) {
    const std::uint64_t b = bitsOf(ax);
    const std::uint64_t mantissa = (b & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
    const int e = static_cast<int>((b >> 52) & 0x7ff) - 1023 - 52;
    const int n0 = e <= 0 ? 0 : (e - 1) / 64;
    std::uint64_t z[kWindow + 1] = {};
    for (int i = 0; i < kWindow; ++i) {
        const u128 p = static_cast<u128>(mantissa) * kTwoOverPiWords[n0 + i];
        const int at = kWindow - 1 - i;
        u128 carry = static_cast<std::uint64_t>(p);
        for (int w = at; w <= kWindow && carry != 0; ++w) {
            const u128 t = static_cast<u128>(z[w]) + carry;
            z[w] = static_cast<std::uint64_t>(t);
            carry = t >> 64;
        }
        carry = static_cast<std::uint64_t>(p >> 64);
        for (int w = at + 1; w <= kWindow && carry != 0; ++w) {
            const u128 t = static_cast<u128>(z[w]) + carry;
            z[w] = static_cast<std::uint64_t>(t);
            carry = t >> 64;
        }
    }
    const int point = 64 * (n0 + kWindow) - e; // z / 2^point = x 2/pi (mod 2)
    bool odd = bitOf(z, point) != 0;
    const bool aboveHalf = bitOf(z, point - 1) != 0;
    // The fraction f in [0, 1) as bits below `point`; above 1/2 take f - 1,
    // the next multiple, whose magnitude is the two's complement of f.
    keepBitsBelow(z, point);
    if (aboveHalf) {
        odd = !odd;
        std::uint64_t borrow = 1;
        for (int w = 0; w <= kWindow; ++w) { // 2^point - f
            const std::uint64_t v = ~z[w] + borrow;
            borrow = (borrow != 0 && v == 0) ? 1 : 0;
            z[w] = v;
        }
        keepBitsBelow(z, point);
    }
    int lead = point - 1;
    while (lead > 0 && bitOf(z, lead) == 0) --lead;
    // |f| = F 2^(lead - point) with F = window in [1, 2); y = |f| pi/2.
    Fixed bigY = fixedMul(windowAt(z, lead), kFixedHalfPi);
    int s = point - lead;
    if (bigY.w[3] >= 2) {
        bigY = fixedShiftRight(bigY, 1);
        --s;
    }
    return {bigY, s, aboveHalf, odd};
}

Reduced unreduced(double ax) {
    const std::uint64_t b = bitsOf(ax);
    const int s = 1023 - static_cast<int>((b >> 52) & 0x7ff);
    return {fixedFromDouble(fromBits((b & ~(0xfffULL << 52)) | (1023ULL << 52))), s, false, false};
}

// 1/(2n+1)! and 1/(2n)! for n < kSeriesTerms, each truncated (1 unit of
// 2^-192 at most, as each comes from the last by one division). Made once.
constexpr int kSeriesTerms = 28; // (pi/4)^56 / 56! < 2^-250

struct SeriesCoefficients {
    Fixed sine[kSeriesTerms];
    Fixed cosine[kSeriesTerms];
};

const SeriesCoefficients& seriesCoefficients() {
    static const SeriesCoefficients table = [] {
        SeriesCoefficients t;
        Fixed factorial = kFixedOne; // 1/k!
        for (int k = 0; k < 2 * kSeriesTerms; ++k) {
            if (k > 0) factorial = fixedDivInt(factorial, static_cast<std::uint64_t>(k));
            (k % 2 == 0 ? t.cosine : t.sine)[k / 2] = factorial;
        }
        return t;
    }();
    return table;
}

// sin(y)/y and cos(y) for y^2 = z <= 0.62 by Horner's rule on the Taylor
// series, alternating signs: per step one product (1 unit of 2^-192) and the
// coefficient (1 unit), with |z| < 1, so both are within 2^6 units.
void sinOverYAndCos(const Fixed& z, Fixed& sinOverY, Fixed& cosine) {
    const SeriesCoefficients& c = seriesCoefficients();
    sinOverY = c.sine[kSeriesTerms - 1];
    cosine = c.cosine[kSeriesTerms - 1];
    for (int n = kSeriesTerms - 2; n >= 0; --n) {
        sinOverY = fixedSub(c.sine[n], fixedMul(z, sinOverY));
        cosine = fixedSub(c.cosine[n], fixedMul(z, cosine));
    }
}

constexpr double kQuarterPi = kHalfPi / 2; // below pi/4

} // namespace

// tan y = y (sin y / y) / cos y for an even multiple, -cos y / (y sin y / y)
// for an odd one. Error: Y to 2^-191 relatively (pi/2 rounded, windows
// truncated), y^2 to 2^-190, the series to 2^7 units, the reciprocal to
// 2^-188 and three products: the value V < 3 is within 2^10 units; 2^11 are
// allowed.
double tan(double x) {
    const double ax = fromBits(bitsOf(x) & ~(std::uint64_t{1} << 63));
    if (ax < 0x1p-54) return x; // tan x = x (1 + x^2/3 + ...) rounds to x
    if (!(ax < std::numeric_limits<double>::infinity())) {
        if (x != x) return x + x;
        return std::numeric_limits<double>::quiet_NaN();
    }
    const Reduced y = ax < kQuarterPi ? unreduced(ax) : reduce(ax);
    const Fixed z = fixedShiftRight(fixedMul(y.bigY, y.bigY), 2 * y.s);
    Fixed sinOverY, cosine;
    sinOverYAndCos(z, sinOverY, cosine);
    const Fixed ySin = fixedMul(y.bigY, sinOverY); // sin y 2^s, in [0.9, 2)
    Fixed value;
    int scale;
    if (!y.odd) {
        value = fixedShiftLeft(fixedMul(ySin, fixedReciprocal(fixedShiftLeft(cosine, 1))), 1);
        scale = -y.s;
    } else {
        value = fixedShiftLeft(fixedMul(cosine, fixedReciprocal(fixedShiftLeft(ySin, 1))), 1);
        scale = y.s;
    }
    const double magnitude = fixedRound(value, scale, std::uint64_t{1} << 11).value;
    const bool negative = ((x < 0) != y.negative) != y.odd;
    return negative ? -magnitude : magnitude;
}

} // namespace fennrow::maths
