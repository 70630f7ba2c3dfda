#include "typed_value.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace fennrow {
namespace {

struct UnitConversion {
    std::string_view typed;
    std::string_view written;
    double factor; // typed value times this is the value in the written unit
};

constexpr UnitConversion kConversions[] = {
    {"ms", "s", 1e-3},
    {"s", "ms", 1e3},
    {"kHz", "Hz", 1e3},
    {"Hz", "kHz", 1e-3},
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view trimmed(std::string_view text) {
    const auto space = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && space(text.front())) text.remove_prefix(1);
    while (!text.empty() && space(text.back())) text.remove_suffix(1);
    return text;
}

// The length of a plain decimal number at the start of `text`: sign, digits
// with at most one point, an exponent; 0 when there is none.
std::size_t numberLength(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '-' || text[j] == '+')) ++j;
        const std::size_t first = j;
        while (j < text.size() && isDigit(text[j])) ++j;
        if (j > first) i = j;
    }
    return i;
}

} // namespace

std::optional<std::string> typedValueText(std::string_view typed, const std::vector<std::string>& units) {
    const std::string_view text = trimmed(typed);
    const std::size_t length = numberLength(text);
    if (length == 0) return std::nullopt;
    const std::string number(text.substr(0, length));
    double value = std::strtod(number.c_str(), nullptr);
    const std::string_view unit = trimmed(text.substr(length));
    const std::string written = units.empty() ? std::string() : units.front();
    if (!unit.empty() && std::find(units.begin(), units.end(), unit) == units.end()) {
        const auto conversion =
            std::find_if(std::begin(kConversions), std::end(kConversions),
                         [&](const UnitConversion& c) { return c.typed == unit && c.written == written; });
        if (conversion == std::end(kConversions)) return std::nullopt;
        value *= conversion->factor;
    }
    if (!std::isfinite(value)) return std::nullopt;
    char out[64];
    std::snprintf(out, sizeof out, "%.17g", value);
    return written.empty() ? std::string(out) : std::string(out) + " " + written;
}

std::vector<std::string> typedUnits(const std::vector<std::string>& units) {
    std::vector<std::string> typed;
    for (const std::string& unit : units) {
        if (!unit.empty()) typed.push_back(unit);
    }
    for (const UnitConversion& c : kConversions) {
        if (!units.empty() && c.written == units.front()) typed.emplace_back(c.typed);
    }
    return typed;
}

std::vector<std::string> unitsOfTexts(const std::vector<std::string>& valueTexts) {
    std::vector<std::string> units;
    for (const std::string& text : valueTexts) {
        const std::size_t length = numberLength(trimmed(text));
        if (length == 0) continue;
        const std::string unit(trimmed(trimmed(text).substr(length)));
        if (std::find(units.begin(), units.end(), unit) == units.end()) units.push_back(unit);
    }
    return units;
}

} // namespace fennrow
