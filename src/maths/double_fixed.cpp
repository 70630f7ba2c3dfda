#include "maths/double_fixed.h"

#include "maths/double_arith.h"

namespace fennrow::maths {

namespace {

using u128 = unsigned __int128;

constexpr int kWords = 4;

// The magnitude of a product as 8 words, a and b taken as unsigned.
void multiplyWords(const std::uint64_t* a, const std::uint64_t* b, std::uint64_t* out) {
    for (int i = 0; i < 2 * kWords; ++i) out[i] = 0;
    for (int i = 0; i < kWords; ++i) {
        std::uint64_t carry = 0;
        for (int j = 0; j < kWords; ++j) {
            const u128 t = static_cast<u128>(a[i]) * b[j] + out[i + j] + carry;
            out[i + j] = static_cast<std::uint64_t>(t);
            carry = static_cast<std::uint64_t>(t >> 64);
        }
        out[i + kWords] = carry;
    }
}

int leadingBit(const Fixed& a) {
    for (int i = kWords - 1; i >= 0; --i)
        if (a.w[i] != 0) return 64 * i + 63 - __builtin_clzll(a.w[i]);
    return -1;
}

bool bitAt(const Fixed& a, int n) { return n >= 0 && n < 256 && ((a.w[n / 64] >> (n % 64)) & 1) != 0; }

// The bits of a below bit n.
Fixed lowBits(const Fixed& a, int n) {
    Fixed r = a;
    for (int i = 0; i < kWords; ++i) {
        const int lo = 64 * i;
        if (n <= lo)
            r.w[i] = 0;
        else if (n < lo + 64)
            r.w[i] &= (std::uint64_t{1} << (n - lo)) - 1;
    }
    return r;
}

Fixed bit(int n) {
    Fixed r{};
    r.w[n / 64] = std::uint64_t{1} << (n % 64);
    return r;
}

// -1, 0 or 1 as a < b, a == b, a > b, for non-negative a and b.
int compareMagnitudes(const Fixed& a, const Fixed& b) {
    for (int i = kWords - 1; i >= 0; --i)
        if (a.w[i] != b.w[i]) return a.w[i] < b.w[i] ? -1 : 1;
    return 0;
}

} // namespace

bool fixedIsNegative(const Fixed& a) { return (a.w[3] >> 63) != 0; }

bool fixedIsZero(const Fixed& a) { return (a.w[0] | a.w[1] | a.w[2] | a.w[3]) == 0; }

Fixed fixedAdd(const Fixed& a, const Fixed& b) {
    Fixed r;
    std::uint64_t carry = 0;
    for (int i = 0; i < kWords; ++i) {
        const u128 t = static_cast<u128>(a.w[i]) + b.w[i] + carry;
        r.w[i] = static_cast<std::uint64_t>(t);
        carry = static_cast<std::uint64_t>(t >> 64);
    }
    return r;
}

Fixed fixedNeg(const Fixed& a) {
    Fixed inverted;
    for (int i = 0; i < kWords; ++i) inverted.w[i] = ~a.w[i];
    return fixedAdd(inverted, Fixed{{1, 0, 0, 0}});
}

Fixed fixedSub(const Fixed& a, const Fixed& b) { return fixedAdd(a, fixedNeg(b)); }

Fixed fixedAbs(const Fixed& a) { return fixedIsNegative(a) ? fixedNeg(a) : a; }

Fixed fixedShiftLeft(const Fixed& a, int n) {
    Fixed r{};
    const int words = n / 64;
    const int bits = n % 64;
    for (int i = kWords - 1; i >= words; --i) {
        std::uint64_t v = a.w[i - words] << bits;
        if (bits != 0 && i - words - 1 >= 0) v |= a.w[i - words - 1] >> (64 - bits);
        r.w[i] = v;
    }
    return r;
}

Fixed fixedShiftRight(const Fixed& a, int n) {
    const std::uint64_t fill = fixedIsNegative(a) ? ~std::uint64_t{0} : 0;
    if (n >= 256) return Fixed{{fill, fill, fill, fill}};
    Fixed r;
    const int words = n / 64;
    const int bits = n % 64;
    for (int i = 0; i < kWords; ++i) {
        const int src = i + words;
        const std::uint64_t lo = src < kWords ? a.w[src] : fill;
        const std::uint64_t hi = src + 1 < kWords ? a.w[src + 1] : fill;
        r.w[i] = bits == 0 ? lo : (lo >> bits) | (hi << (64 - bits));
    }
    return r;
}

Fixed fixedMul(const Fixed& a, const Fixed& b) {
    const bool negative = fixedIsNegative(a) != fixedIsNegative(b);
    const Fixed ma = fixedAbs(a);
    const Fixed mb = fixedAbs(b);
    std::uint64_t product[2 * kWords];
    multiplyWords(ma.w, mb.w, product);
    // Words 3..6 hold bits 192..447 of the product: the value times 2^192.
    const Fixed r{{product[3], product[4], product[5], product[6]}};
    return negative ? fixedNeg(r) : r;
}

Fixed fixedMulInt(const Fixed& a, std::int64_t k) {
    const bool negative = fixedIsNegative(a) != (k < 0);
    const Fixed ma = fixedAbs(a);
    const std::uint64_t mk = k < 0 ? 0 - static_cast<std::uint64_t>(k) : static_cast<std::uint64_t>(k);
    Fixed r;
    std::uint64_t carry = 0;
    for (int i = 0; i < kWords; ++i) {
        const u128 t = static_cast<u128>(ma.w[i]) * mk + carry;
        r.w[i] = static_cast<std::uint64_t>(t);
        carry = static_cast<std::uint64_t>(t >> 64);
    }
    return negative ? fixedNeg(r) : r;
}

Fixed fixedDivInt(const Fixed& a, std::uint64_t d) {
    if (fixedIsNegative(a)) return fixedNeg(fixedDivInt(fixedNeg(a), d));
    Fixed r;
    if (d < (std::uint64_t{1} << 32)) {
        // Half words, so that each step is one 64-bit division.
        std::uint64_t rest = 0;
        for (int i = kWords - 1; i >= 0; --i) {
            const std::uint64_t high = (rest << 32) | (a.w[i] >> 32);
            const std::uint64_t qHigh = high / d;
            rest = high % d;
            const std::uint64_t low = (rest << 32) | (a.w[i] & 0xffffffffULL);
            r.w[i] = (qHigh << 32) | (low / d);
            rest = low % d;
        }
        return r;
    }
    u128 remainder = 0;
    for (int i = kWords - 1; i >= 0; --i) {
        const u128 t = (remainder << 64) | a.w[i];
        r.w[i] = static_cast<std::uint64_t>(t / d);
        remainder = t % d;
    }
    return r;
}

Fixed fixedFromInt(std::int64_t k) {
    const Fixed r{{0, 0, 0, static_cast<std::uint64_t>(k < 0 ? -k : k)}};
    return k < 0 ? fixedNeg(r) : r;
}

Fixed fixedFromDouble(double x) {
    const std::uint64_t b = bitsOf(x);
    const int biased = static_cast<int>((b >> 52) & 0x7ff);
    std::uint64_t mantissa = b & ((std::uint64_t{1} << 52) - 1);
    if (biased != 0) mantissa |= std::uint64_t{1} << 52;
    // x = mantissa * 2^(e - 52), so x * 2^192 = mantissa * 2^(e + 140).
    const int shift = (biased == 0 ? -1022 : biased - 1023) - 52 + kFixedFractionBits;
    Fixed r{{mantissa, 0, 0, 0}};
    r = shift >= 0 ? fixedShiftLeft(r, shift) : fixedShiftRight(r, -shift);
    return (b >> 63) != 0 ? fixedNeg(r) : r;
}

double fixedToDouble(const Fixed& a) {
    const Fixed m = fixedAbs(a);
    const double v = static_cast<double>(m.w[3]) + static_cast<double>(m.w[2]) * 0x1p-64 +
                     static_cast<double>(m.w[1]) * 0x1p-128;
    return fixedIsNegative(a) ? -v : v;
}

Fixed fixedReciprocal(const Fixed& d) {
    // Newton's iteration y <- y (2 - d y) squares the relative error and adds
    // the truncation of its two products (below 3 units of 2^-192 with y < 1,
    // d < 4). From the 2^-50 of the double start: 2^-99, 2^-197 + 3 units, so
    // three steps leave an error below 2^-188.
    const Fixed two = fixedFromInt(2);
    Fixed y = fixedFromDouble(1.0 / fixedToDouble(d));
    for (int step = 0; step < 3; ++step) y = fixedMul(y, fixedSub(two, fixedMul(d, y)));
    return y;
}

FixedRounding fixedRound(const Fixed& v, int scale, std::uint64_t err) {
    const int top = leadingBit(v);
    // The leading bit has weight 2^(top - 192 + scale); the unit in the last
    // place of the double is 2^q, and bit `pos` of v has that weight.
    const int exponent = top - kFixedFractionBits + scale;
    const int q = exponent - 52 < -1074 ? -1074 : exponent - 52;
    const int pos = q - scale + kFixedFractionBits;
    if (pos <= 0) {
        const Fixed m = fixedShiftLeft(v, -pos);
        return {scaleExactly(static_cast<double>(m.w[0]), q), true};
    }
    Fixed m = fixedShiftRight(v, pos);
    const Fixed rest = lowBits(v, pos);
    const Fixed half = bit(pos - 1);
    const Fixed gap = fixedAbs(fixedSub(rest, half));
    const bool decided = compareMagnitudes(gap, Fixed{{err, 0, 0, 0}}) > 0;
    const int order = compareMagnitudes(rest, half);
    if (order > 0 || (order == 0 && bitAt(m, 0))) m = fixedAdd(m, Fixed{{1, 0, 0, 0}});
    // m < 2^54 here: q was chosen so that v >> pos has at most 53 bits.
    return {scaleExactly(static_cast<double>(m.w[0]), q), decided};
}

} // namespace fennrow::maths
