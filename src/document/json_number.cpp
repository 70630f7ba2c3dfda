#include "document/json_number.h"

#include "document/float_chars.h"
#include "maths/float_narrowing.h"

#include <array>
#include <cmath>
#include <limits>
#include <system_error>

namespace fennrow::document {

namespace {

// Buffers that hold the longest shortest-form text of either type.
constexpr std::size_t kNumberTextCapacity = 64;

} // namespace

std::size_t parseNumberPrefix(std::string_view text, double& value) {
    const char* first = text.data();
    const char* last = first + text.size();
    double parsed = 0.0;
    const std::from_chars_result result = parseChars(first, last, parsed, std::chars_format::general);
    if (result.ec != std::errc{}) return 0;
    value = parsed;
    return static_cast<std::size_t>(result.ptr - first);
}

bool parseWholeNumber(std::string_view text, double& value) {
    if (text.empty()) return false;
    double parsed = 0.0;
    if (parseNumberPrefix(text, parsed) != text.size()) return false;
    value = parsed;
    return true;
}

std::string shortestText(double value) {
    std::array<char, kNumberTextCapacity> buffer{};
    const std::to_chars_result result = shortestChars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

std::string shortestText(float value) {
    std::array<char, kNumberTextCapacity> buffer{};
    const std::to_chars_result result = shortestChars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

bool isExactFloat(double value) {
    if (!std::isfinite(value)) return false;
    if (std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) return false;
    return static_cast<double>(static_cast<float>(value)) == value;
}

bool sameNumberForWriting(double current, double earlier) {
    if (current == earlier) return true;
    return isExactFloat(current) && maths::narrowToFloat(earlier) == static_cast<float>(current);
}

} // namespace fennrow::document
