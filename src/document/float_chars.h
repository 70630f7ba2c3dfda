// Floating-point <charconv>: the standard library's where it has it, and
// otherwise (the web build's library has only the integer forms) forms of
// our own that write and read the very same texts. Everything that turns a
// number into text or back goes through here, so that every build saves and
// shows the same bytes.
#pragma once

#include <charconv>

namespace fennrow::document {

// std::to_chars(first, last, value): the shortest text that reads back to
// exactly this value, fixed or scientific, whichever is shorter ("100",
// "1e+21", "0.001", "1e-04", "-0").
std::to_chars_result shortestChars(char* first, char* last, double value);
std::to_chars_result shortestChars(char* first, char* last, float value);

// std::to_chars(first, last, value, std::chars_format::fixed, precision).
std::to_chars_result fixedChars(char* first, char* last, double value, int precision);

// std::from_chars(first, last, value, format) for chars_format::general and
// chars_format::hex (digits without "0x"): no leading blanks or plus sign;
// a value that overflows or rounds to zero is result_out_of_range and leaves
// `value` as it was.
std::from_chars_result parseChars(const char* first, const char* last, double& value,
                                  std::chars_format format);

// Our own forms, on the C library's correctly rounded printf and strtod,
// which the C locale of the web build's library never changes. Every build
// has them, so that they are tested against the standard library's.
namespace own_chars {
std::to_chars_result shortestChars(char* first, char* last, double value);
std::to_chars_result shortestChars(char* first, char* last, float value);
std::to_chars_result fixedChars(char* first, char* last, double value, int precision);
std::from_chars_result parseChars(const char* first, const char* last, double& value,
                                  std::chars_format format);
} // namespace own_chars

} // namespace fennrow::document
