#include "plugin/number_text.h"

#include "document/float_chars.h"

#include <cstring>
#include <limits>
#include <system_error>

namespace fennrow::plugin {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// A number too large or too small for a double: strtod gives infinity for an
// overflow and zero for an underflow; the sign of the exponent tells which.
// In hexadecimal, e is a digit and only p marks the exponent.
double outOfRangeValue(const char* first, const char* last, std::chars_format format) {
    const bool hex = format == std::chars_format::hex;
    const char lower = hex ? 'p' : 'e';
    const char upper = hex ? 'P' : 'E';
    for (const char* p = first; p < last; ++p) {
        if (*p == lower || *p == upper) {
            return p + 1 < last && p[1] == '-' ? 0.0 : std::numeric_limits<double>::infinity();
        }
    }
    return std::numeric_limits<double>::infinity();
}

} // namespace

bool formatFixed(double value, int decimals, char* out, std::size_t capacity) {
    if (out == nullptr || capacity == 0) return false;
    const std::to_chars_result result = document::fixedChars(out, out + capacity - 1, value, decimals);
    if (result.ec != std::errc{}) {
        out[0] = '\0';
        return false;
    }
    *result.ptr = '\0';
    return true;
}

std::size_t parseLeadingNumber(const char* text, double& out) {
    out = 0.0;
    if (text == nullptr) return 0;
    const char* p = text;
    while (isBlank(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    const char* last = p + std::strlen(p);
    std::chars_format format = std::chars_format::general;
    const char* digits = p;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') &&
        (isHexDigit(p[2]) || (p[2] == '.' && isHexDigit(p[3])))) {
        format = std::chars_format::hex;
        digits = p + 2;
    }
    // parseChars would read a second sign itself; strtod allows only one.
    if (digits[0] == '-') return 0;
    double magnitude = 0.0;
    std::from_chars_result result = document::parseChars(digits, last, magnitude, format);
    if (result.ec == std::errc::invalid_argument) return 0;
    if (result.ec == std::errc::result_out_of_range) magnitude = outOfRangeValue(digits, result.ptr, format);
    out = negative ? -magnitude : magnitude;
    return static_cast<std::size_t>(result.ptr - text);
}

} // namespace fennrow::plugin
