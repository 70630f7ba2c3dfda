#include "maths/trig_reduction.h"

#include "maths/bit_cast.h"
#include "maths/double_tables.h"

namespace fennrow::maths::detail {

namespace {

// Word `word` of the bits of 2/pi (kTwoOverPiWords) behind one word of
// zeros, word 0, so that a window may start a few bits before the point.
uint64_t twoOverPiWord(int word) { return word == 0 ? 0 : kTwoOverPiWords[word - 1]; }

// 64 bits of those words starting at bit `pos` (0 = top bit of word 0).
uint64_t bitsAt(int pos) {
    const int word = pos / 64;
    const int shift = pos % 64;
    if (shift == 0) return twoOverPiWord(word);
    return (twoOverPiWord(word) << shift) | (twoOverPiWord(word + 1) >> (64 - shift));
}

using u128 = unsigned __int128;
using i128 = __int128;

} // namespace

// |x| = m 2^e with a 24-bit integer m, so x 2/pi = 4m (2^(e-2) 2/pi). The
// integer part of 2^(e-2) 2/pi contributes a multiple of 4, which leaves sin
// and cos alone; of its fraction F we take 128 bits T (F - T 2^-128 <
// 2^-128). 4m T 2^-128 mod 4, i.e. m T mod 2^128 read with 126 fraction
// bits, is x 2/pi mod 4 to within 4m 2^-128 < 2^-102. Its nearest integer
// is the quadrant n and the rest q, |q| <= 1/2, converted to double with
// one rounding; stepping to a neighbouring quadrant of the right parity
// (q -+ 1) and the product with pi/2 round twice more, so
// |r - exact| <= 2^-102 pi/2 + 3 2^-53 |r| < 2^-100 + 2^-51 |r|.
ReducedAngle reduceLong(float x, int parity) {
    const uint32_t bits = bitCast<uint32_t>(x) & 0x7fffffffu;
    const int e = static_cast<int>(bits >> 23) - 150; // >= -3 above 2^20
    const uint64_t m = (bits & 0x7fffffu) | 0x800000u;
    const int start = e - 2 + 64; // bit b_i of 2/pi sits at position 63 + i
    const uint64_t hi = bitsAt(start);
    const uint64_t lo = bitsAt(start + 64);
    const u128 product = static_cast<u128>(m) * lo + (static_cast<u128>(m * hi) << 64);
    int64_t n = static_cast<int64_t>((product + (static_cast<u128>(1) << 125)) >> 126);
    double q = static_cast<double>(static_cast<i128>(product << 2)) * 0x1p-128;
    if ((n & 1) != parity) {
        if (q >= 0.0) {
            q -= 1.0;
            n += 1;
        } else {
            q += 1.0;
            n -= 1;
        }
    }
    const bool negate = (((n + parity) & 2) != 0) != (parity == 0 && (bitCast<uint32_t>(x) >> 31) != 0);
    return {q * kHalfPi, 0x1p-100, negate};
}

} // namespace fennrow::maths::detail
