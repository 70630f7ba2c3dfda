// The process environment, read as UTF-8. A system whose environment is
// UTF-16 reads the wide value and converts it here, so a user folder with
// letters outside ASCII reaches the plugin intact.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace fennrow {

// The value of the variable, or nothing when it is unset or cannot be
// represented as UTF-8.
std::optional<std::string> environmentValue(std::string_view name);

} // namespace fennrow
