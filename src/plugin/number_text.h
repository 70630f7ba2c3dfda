// Number <-> text for parameter display, independent of the process locale:
// hosts may switch the C locale to one with a decimal comma, but parameter
// texts always use a full stop.
#pragma once

#include <cstddef>

namespace fennrow::plugin {

// Writes value with exactly `decimals` digits after the point, as printf's
// "%.Nf" does in the C locale. Returns false when out is too small.
bool formatFixed(double value, int decimals, char* out, std::size_t capacity);

// Parses the longest leading floating-point number of text as strtod does in
// the C locale (leading blanks, sign, decimal or hexadecimal, inf, nan).
// Writes the number (0 when there is none) and returns the count of
// characters consumed.
std::size_t parseLeadingNumber(const char* text, double& out);

} // namespace fennrow::plugin
