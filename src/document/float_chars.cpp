#include "document/float_chars.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <system_error>
#include <version>

namespace fennrow::document {

namespace own_chars {
namespace {

// Room for any shortest text and for the exponent forms this file builds.
constexpr std::size_t kScratch = 64;

std::to_chars_result copyOut(char* first, char* last, const char* text, std::size_t length) {
    if (static_cast<std::size_t>(last - first) < length) return {last, std::errc::value_too_large};
    std::memcpy(first, text, length);
    return {first + length, std::errc{}};
}

// How a float and a double are read back.
template <typename T>
struct Precision;
template <>
struct Precision<double> {
    static constexpr int kMaxDigits = 17; // always enough to read back
    static double read(const char* text) { return std::strtod(text, nullptr); }
};
template <>
struct Precision<float> {
    static constexpr int kMaxDigits = 9;
    static float read(const char* text) { return std::strtof(text, nullptr); }
};

// digits * 10^(exponent - count + 1): `count` significant digits, the first
// of them at 10^exponent.
struct Decimal {
    uint64_t digits = 0;
    int count = 0;
    int exponent = 0;
};

uint64_t powerOfTen(int n) {
    uint64_t p = 1;
    for (int i = 0; i < n; ++i) p *= 10;
    return p;
}

// The count-digit decimal nearest to the positive value, ties to even: what
// the C library's correctly rounded "%.*e" prints.
Decimal nearestDecimal(double value, int count) {
    char text[kScratch];
    std::snprintf(text, sizeof text, "%.*e", count - 1, value);
    Decimal d;
    d.count = count;
    const char* p = text;
    for (; *p != 'e'; ++p) {
        if (*p >= '0' && *p <= '9') d.digits = d.digits * 10 + static_cast<uint64_t>(*p - '0');
    }
    d.exponent = std::atoi(p + 1);
    return d;
}

// The count-digit decimal one step (in its last digit) up or down.
Decimal stepped(Decimal d, int direction) {
    const uint64_t smallest = powerOfTen(d.count - 1);
    if (direction > 0) {
        if (++d.digits == smallest * 10) {
            d.digits = smallest;
            ++d.exponent;
        }
    } else if (d.digits-- == smallest) {
        d.digits = smallest * 10 - 1;
        --d.exponent;
    }
    return d;
}

template <typename T>
bool readsBack(const Decimal& d, T value) {
    char text[kScratch];
    std::snprintf(text, sizeof text, "%llue%d", static_cast<unsigned long long>(d.digits),
                  d.exponent - d.count + 1);
    return Precision<T>::read(text) == value;
}

// A count-digit decimal that reads back to the value, the nearest of them,
// if there is one. The nearest decimal reads back if any does, except where
// the value's interval is lopsided (at a power of two): then the one beside
// it on the value's other side may.
template <typename T>
bool decimalOfCount(T value, int count, Decimal& found) {
    const Decimal nearest = nearestDecimal(static_cast<double>(value), count);
    for (const Decimal& d : {nearest, stepped(nearest, 1), stepped(nearest, -1)}) {
        if (readsBack(d, value)) {
            found = d;
            return true;
        }
    }
    return false;
}

// The fewest digits that read back: a count that works, works with one
// digit more too, so the least is found by bisection.
template <typename T>
Decimal shortestDecimal(T value) {
    Decimal best;
    decimalOfCount(value, Precision<T>::kMaxDigits, best);
    int low = 1;
    int high = Precision<T>::kMaxDigits; // works
    while (low < high) {
        const int middle = (low + high) / 2;
        Decimal d;
        if (decimalOfCount(value, middle, d)) {
            high = middle;
            best = d;
        } else {
            low = middle + 1;
        }
    }
    return best;
}

int exponentDigits(int exponent) { return std::max(2, exponent >= 100 || exponent <= -100 ? 3 : 2); }

template <typename T>
std::to_chars_result writeShortest(char* first, char* last, T value) {
    if (std::isnan(value))
        return copyOut(first, last, std::signbit(value) ? "-nan" : "nan", std::signbit(value) ? 4 : 3);
    if (std::isinf(value)) return copyOut(first, last, value < 0 ? "-inf" : "inf", value < 0 ? 4 : 3);
    if (value == 0)
        return copyOut(first, last, std::signbit(value) ? "-0" : "0", std::signbit(value) ? 2 : 1);

    std::string text = value < 0 ? "-" : "";
    const T magnitude = std::fabs(value);
    const Decimal d = shortestDecimal(magnitude);
    char digits[kScratch];
    std::snprintf(digits, sizeof digits, "%llu", static_cast<unsigned long long>(d.digits));
    const int lastPower = d.exponent - d.count + 1; // the power of ten of the last digit

    const int scientificLength = d.count + (d.count > 1 ? 1 : 0) + 2 + exponentDigits(d.exponent);
    const int fixedLength = lastPower >= 0    ? d.count + lastPower
                            : d.exponent >= 0 ? d.count + 1
                                              : d.count + 1 - d.exponent;
    if (fixedLength <= scientificLength) {
        if (lastPower >= 0) {
            // A whole number: its exact digits, which the shortest digits
            // padded with zeros need not be (2^60 is 1152921504606846976).
            char whole[kScratch];
            std::snprintf(whole, sizeof whole, "%.0f", static_cast<double>(magnitude));
            text += whole;
        } else if (d.exponent >= 0) {
            text.append(digits, static_cast<std::size_t>(d.exponent) + 1);
            text += '.';
            text += digits + d.exponent + 1;
        } else {
            text += "0.";
            text.append(static_cast<std::size_t>(-d.exponent) - 1, '0');
            text += digits;
        }
    } else {
        text += digits[0];
        if (d.count > 1) {
            text += '.';
            text += digits + 1;
        }
        char exponent[kScratch];
        std::snprintf(exponent, sizeof exponent, "e%c%02d", d.exponent < 0 ? '-' : '+', std::abs(d.exponent));
        text += exponent;
    }
    return copyOut(first, last, text.data(), text.size());
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool isLetter(char c, char lower) { return c == lower || c == lower - 'a' + 'A'; }

// The end of [digits][.digits] with at least one digit, or null; whether a
// digit other than zero was seen.
const char* scanMantissa(const char* p, const char* last, bool hex, bool& nonZero) {
    bool any = false;
    nonZero = false;
    const auto digit = [hex](char c) { return hex ? isHexDigit(c) : isDigit(c); };
    for (; p < last && digit(*p); ++p) {
        any = true;
        nonZero = nonZero || *p != '0';
    }
    if (p < last && *p == '.') {
        const char* after = p + 1;
        for (; after < last && digit(*after); ++after) {
            any = true;
            nonZero = nonZero || *after != '0';
        }
        if (any) p = after;
    }
    return any ? p : nullptr;
}

// The end of an exponent at p ("e-7"), or p when there is none.
const char* scanExponent(const char* p, const char* last, char marker) {
    if (p == last || !isLetter(*p, marker)) return p;
    const char* q = p + 1;
    if (q < last && (*q == '+' || *q == '-')) ++q;
    if (q == last || !isDigit(*q)) return p;
    while (q < last && isDigit(*q)) ++q;
    return q;
}

} // namespace

std::to_chars_result shortestChars(char* first, char* last, double value) {
    return writeShortest(first, last, value);
}

std::to_chars_result shortestChars(char* first, char* last, float value) {
    return writeShortest(first, last, value);
}

std::to_chars_result fixedChars(char* first, char* last, double value, int precision) {
    const int length = std::snprintf(nullptr, 0, "%.*f", precision, value);
    if (length < 0) return {last, std::errc::value_too_large};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), "%.*f", precision, value);
    return copyOut(first, last, text.data(), static_cast<std::size_t>(length));
}

std::from_chars_result parseChars(const char* first, const char* last, double& value,
                                  std::chars_format format) {
    const bool hex = format == std::chars_format::hex;
    const char* p = first;
    const bool negative = p < last && *p == '-';
    if (negative) ++p;

    if (p < last && (isLetter(*p, 'i') || isLetter(*p, 'n'))) {
        // inf, infinity, nan, nan(chars): as the C library reads them, from
        // a copy of no more than such a word.
        const char* word = p;
        while (word < last &&
               (std::isalnum(static_cast<unsigned char>(*word)) != 0 || *word == '_' || *word == '('))
            ++word;
        if (word < last && *word == ')') ++word;
        const std::string text(first, word);
        char* end = nullptr;
        const double read = std::strtod(text.c_str(), &end);
        if (end == text.c_str()) return {first, std::errc::invalid_argument};
        value = read;
        return {first + (end - text.c_str()), std::errc{}};
    }

    bool nonZero = false;
    const char* end = scanMantissa(p, last, hex, nonZero);
    if (end == nullptr) return {first, std::errc::invalid_argument};
    end = scanExponent(end, last, hex ? 'p' : 'e');

    // The C library reads a text that ends in a zero: numbers of common
    // length are copied on the stack.
    const std::string_view prefix = negative ? (hex ? "-0x" : "-") : (hex ? "0x" : "");
    const std::size_t length = prefix.size() + static_cast<std::size_t>(end - p);
    char small[kScratch * 2];
    std::string large;
    char* text = small;
    if (length >= sizeof small) {
        large.resize(length);
        text = large.data();
    }
    std::memcpy(text, prefix.data(), prefix.size());
    std::memcpy(text + prefix.size(), p, static_cast<std::size_t>(end - p));
    text[length] = '\0';
    const double read = std::strtod(text, nullptr);
    if (std::isinf(read) || (read == 0.0 && nonZero)) return {end, std::errc::result_out_of_range};
    value = read;
    return {end, std::errc{}};
}

} // namespace own_chars

// The standard library's forms where it has them, so that those builds stay
// as they were.
#if defined(__cpp_lib_to_chars)

std::to_chars_result shortestChars(char* first, char* last, double value) {
    return std::to_chars(first, last, value);
}

std::to_chars_result shortestChars(char* first, char* last, float value) {
    return std::to_chars(first, last, value);
}

std::to_chars_result fixedChars(char* first, char* last, double value, int precision) {
    return std::to_chars(first, last, value, std::chars_format::fixed, precision);
}

std::from_chars_result parseChars(const char* first, const char* last, double& value,
                                  std::chars_format format) {
    return std::from_chars(first, last, value, format);
}

#else

std::to_chars_result shortestChars(char* first, char* last, double value) {
    return own_chars::shortestChars(first, last, value);
}

std::to_chars_result shortestChars(char* first, char* last, float value) {
    return own_chars::shortestChars(first, last, value);
}

std::to_chars_result fixedChars(char* first, char* last, double value, int precision) {
    return own_chars::fixedChars(first, last, value, precision);
}

std::from_chars_result parseChars(const char* first, const char* last, double& value,
                                  std::chars_format format) {
    return own_chars::parseChars(first, last, value, format);
}

#endif

} // namespace fennrow::document
