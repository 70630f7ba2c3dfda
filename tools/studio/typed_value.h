// A value as a person types it into the page ("0.3 ms", "-6 dB", "2 beats"),
// read strictly before the plugin reads it: a number with a point for its
// decimals, then nothing, the unit the plugin writes for that parameter, or
// a unit the studio converts to it (ms and s, Hz and kHz). Anything else is
// refused, so that a unit the plugin's reader would pass over is never taken
// for another.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fennrow {

// The text to hand to the plugin's own reader, in the plugin's unit (the
// first of `units`, those it writes for the parameter), or nothing.
std::optional<std::string> typedValueText(std::string_view typed, const std::vector<std::string>& units);

// The units a person may type for a parameter whose value texts carry
// `units`: those and the ones converted to the first, for messages.
std::vector<std::string> typedUnits(const std::vector<std::string>& units);

// The units a parameter's value texts carry, the plugin's own first:
// "s" and "ms" for a time written "0.060 s".
std::vector<std::string> unitsOfTexts(const std::vector<std::string>& valueTexts);

} // namespace fennrow
