// Prints src/maths/double_tables.cpp: the constants and tables of the
// double-precision functions, computed with MPFR at 2000 bits and rounded to
// nearest. Run: fennrow_gen_double_tables > src/maths/double_tables.cpp
// It also reports on stderr the largest reduced argument of each table, which
// the error bounds in exp_double.cpp and log1p_double.cpp rely on.
#include <mpfr.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace {

constexpr mpfr_prec_t kPrec = 2000;

struct Big {
    mpfr_t v;
    Big() { mpfr_init2(v, kPrec); }
    ~Big() { mpfr_clear(v); }
    Big(const Big&) = delete;
    Big& operator=(const Big&) = delete;
};

double bitsToDouble(std::uint64_t b) {
    double d;
    std::memcpy(&d, &b, sizeof d);
    return d;
}

// v rounded to nearest with `bits` significant bits, as a double.
double roundTo(const mpfr_t v, int bits) {
    mpfr_t t;
    mpfr_init2(t, bits);
    mpfr_set(t, v, MPFR_RNDN);
    const double d = mpfr_get_d(t, MPFR_RNDN);
    mpfr_clear(t);
    return d;
}

// Split v into a double-double: hi = RN(v), lo = RN(v - hi).
void doubleDouble(const mpfr_t v, double& hi, double& lo) {
    hi = mpfr_get_d(v, MPFR_RNDN);
    Big rest;
    mpfr_sub_d(rest.v, v, hi, MPFR_RNDN);
    lo = mpfr_get_d(rest.v, MPFR_RNDN);
}

// A fixed-point value (two's complement, 192 fraction bits) rounded to
// nearest, as four words.
void printFixed(const char* name, const mpfr_t v) {
    Big scaled;
    mpfr_mul_2si(scaled.v, v, 192, MPFR_RNDN);
    mpfr_round(scaled.v, scaled.v);
    mpz_t z;
    mpz_init(z);
    mpfr_get_z(z, scaled.v, MPFR_RNDN);
    std::uint64_t w[4];
    for (int i = 0; i < 4; ++i) {
        mpz_t part;
        mpz_init(part);
        mpz_fdiv_r_2exp(part, z, 64);
        w[i] = mpz_get_ui(part);
        mpz_fdiv_q_2exp(z, z, 64);
        mpz_clear(part);
    }
    mpz_clear(z);
    std::printf("const Fixed %s{{0x%016llxULL, 0x%016llxULL, 0x%016llxULL, 0x%016llxULL}};\n", name,
                (unsigned long long)w[0], (unsigned long long)w[1], (unsigned long long)w[2],
                (unsigned long long)w[3]);
}

void printExpTable() {
    std::printf("// 2^(j/256) for j = 0..255: hi = RN(2^(j/256)), lo = RN(2^(j/256) - hi).\n");
    std::printf("alignas(64) const double kExp2Table[256][2] = {\n");
    for (int j = 0; j < 256; ++j) {
        Big v;
        mpfr_set_si(v.v, j, MPFR_RNDN);
        mpfr_div_si(v.v, v.v, 256, MPFR_RNDN);
        mpfr_exp2(v.v, v.v, MPFR_RNDN);
        double hi, lo;
        doubleDouble(v.v, hi, lo);
        std::printf("    {%a, %a},\n", hi, lo);
    }
    std::printf("};\n\n");
}

// The logarithm's bins: t = bits(s) - kLogOffsetBits; bin i = (t >> 44) & 255
// covers the m of [0.705, 1.410) whose bits lie in
// [offset + i 2^44, offset + (i + 1) 2^44); 1 is in the middle of its bin.
constexpr std::uint64_t kLogOffsetBits = 0x3fe6880000000000ULL;

void printLogTable() {
    std::printf("// Per bin i of the logarithm: c = RN(2 / (m_lo + m_hi)) (exactly 1 in the bin\n"
                "// holding 1); hi = -log(c) rounded to a multiple of 2^-43, so that e ln2_hi + hi\n"
                "// is exact; lo = RN(-log(c) - hi).\n");
    std::printf("alignas(64) const double kLogTable[256][3] = {\n");
    double worst = 0.0;
    for (int i = 0; i < 256; ++i) {
        const double mlo = bitsToDouble(kLogOffsetBits + (std::uint64_t(i) << 44));
        const double mhi = bitsToDouble(kLogOffsetBits + (std::uint64_t(i + 1) << 44));
        const bool holdsOne = mlo <= 1.0 && 1.0 < mhi;
        const double c = holdsOne ? 1.0 : 2.0 / (mlo + mhi);
        Big v;
        mpfr_set_d(v.v, c, MPFR_RNDN);
        mpfr_log(v.v, v.v, MPFR_RNDN);
        mpfr_neg(v.v, v.v, MPFR_RNDN);
        Big grid;
        mpfr_mul_2ui(grid.v, v.v, 43, MPFR_RNDN);
        mpfr_round(grid.v, grid.v);
        mpfr_div_2ui(grid.v, grid.v, 43, MPFR_RNDN);
        const double hi = mpfr_get_d(grid.v, MPFR_RNDN) + 0.0;
        mpfr_sub(v.v, v.v, grid.v, MPFR_RNDN);
        const double lo = mpfr_get_d(v.v, MPFR_RNDN) + 0.0;
        std::printf("    {%a, %a, %a},\n", c, hi, lo);
        for (double m : {mlo, mhi}) {
            Big r;
            mpfr_set_d(r.v, m, MPFR_RNDN);
            mpfr_mul_d(r.v, r.v, c, MPFR_RNDN);
            mpfr_sub_ui(r.v, r.v, 1, MPFR_RNDN);
            const double rd = mpfr_get_d(r.v, MPFR_RNDN);
            if ((rd < 0 ? -rd : rd) > worst) worst = rd < 0 ? -rd : rd;
        }
    }
    std::printf("};\n\n");
    std::fprintf(stderr, "log: largest |m c - 1| over the bins: %a\n", worst);
}

void printConstants() {
    Big ln2;
    mpfr_const_log2(ln2.v, MPFR_RNDN);
    Big l;
    // ln 2 / 256 in three pieces: the first two of 34 bits, so that k times
    // them is exact for |k| < 2^19.
    mpfr_div_ui(l.v, ln2.v, 256, MPFR_RNDN);
    const double l1 = roundTo(l.v, 34);
    mpfr_sub_d(l.v, l.v, l1, MPFR_RNDN);
    const double l2 = roundTo(l.v, 34);
    mpfr_sub_d(l.v, l.v, l2, MPFR_RNDN);
    const double l3 = mpfr_get_d(l.v, MPFR_RNDN);
    Big inv;
    mpfr_ui_div(inv.v, 256, ln2.v, MPFR_RNDN);
    std::printf("// 256 / ln 2 rounded, and ln 2 / 256 = kExpL1 + kExpL2 + kExpL3 with 34-bit\n"
                "// kExpL1 and kExpL2 (k kExpL1 and k kExpL2 are exact for |k| < 2^19).\n");
    std::printf("const double kExpInvL = %a;\n", mpfr_get_d(inv.v, MPFR_RNDN));
    std::printf("const double kExpL1 = %a;\nconst double kExpL2 = %a;\nconst double kExpL3 = %a;\n\n", l1, l2,
                l3);
    const double lnHi = roundTo(ln2.v, 42);
    Big rest;
    mpfr_sub_d(rest.v, ln2.v, lnHi, MPFR_RNDN);
    std::printf("// ln 2 = kLn2Hi42 + kLn2Lo42, kLn2Hi42 of 42 bits (e kLn2Hi42 is exact for |e| < 2^11).\n");
    std::printf("const double kLn2Hi42 = %a;\nconst double kLn2Lo42 = %a;\n\n", lnHi,
                mpfr_get_d(rest.v, MPFR_RNDN));
    std::printf("// ln 2 and pi / 2 in the fixed-point format, rounded to nearest.\n");
    printFixed("kFixedLn2", ln2.v);
    Big halfPi;
    mpfr_const_pi(halfPi.v, MPFR_RNDN);
    mpfr_div_2ui(halfPi.v, halfPi.v, 1, MPFR_RNDN);
    printFixed("kFixedHalfPi", halfPi.v);
    std::printf("\n");
}

void printTwoOverPi() {
    constexpr int kWords = 24;
    Big v;
    mpfr_const_pi(v.v, MPFR_RNDN);
    mpfr_ui_div(v.v, 2, v.v, MPFR_RNDN);
    std::printf("// The first %d bits of 2 / pi after the binary point, 64 to a word, most\n"
                "// significant first (word n holds the bits of weight 2^-(64n+1) to 2^-(64n+64)).\n",
                kWords * 64);
    std::printf("const std::uint64_t kTwoOverPiWords[%d] = {\n", kWords);
    for (int n = 0; n < kWords; ++n) {
        mpfr_mul_2ui(v.v, v.v, 64, MPFR_RNDN);
        Big whole;
        mpfr_floor(whole.v, v.v);
        mpfr_sub(v.v, v.v, whole.v, MPFR_RNDN);
        mpz_t z;
        mpz_init(z);
        mpfr_get_z(z, whole.v, MPFR_RNDN);
        std::printf("    0x%016llxULL,\n", (unsigned long long)mpz_get_ui(z));
        mpz_clear(z);
    }
    std::printf("};\n\n");
}

} // namespace

int main() {
    std::printf("// Generated by tools/maths/gen_double_tables.cpp (MPFR, 2000 bits); do not edit.\n");
    std::printf("#include \"maths/double_tables.h\"\n\nnamespace fennrow::maths {\n\n");
    printConstants();
    printExpTable();
    printLogTable();
    printTwoOverPi();
    std::printf("} // namespace fennrow::maths\n");
    return 0;
}
