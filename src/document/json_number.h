// Number <-> text conversions of the JSON layer. Everything goes through the
// shortest round-trip conversions of float_chars.h, so a number written and
// read again comes back bit for bit.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace fennrow::document {

// Parses a double in general format at the start of `text`. Returns the number
// of bytes consumed, or 0 when nothing parses or the value is out of range.
std::size_t parseNumberPrefix(std::string_view text, double& value);

// True when the whole of `text` parses as a double (within range).
bool parseWholeNumber(std::string_view text, double& value);

// Shortest text that reads back to exactly this value ("100", "1e+21", "-0").
std::string shortestText(double value);
std::string shortestText(float value);

// True for a finite double that a 32-bit float holds exactly.
bool isExactFloat(double value);

// The rule under which a number that went through a 32-bit float still counts
// as unchanged: equal values, or `current` is a float and both round to it.
bool sameNumberForWriting(double current, double earlier);

} // namespace fennrow::document
