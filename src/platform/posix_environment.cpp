// The environment on systems whose variables are byte strings.
#if !defined(_WIN32)

#include "platform/environment.h"
#include "platform/utf8.h"

#include <cstdlib>

namespace fennrow {

std::optional<std::string> environmentValue(std::string_view name, EnvironmentForm /*form*/) {
    const std::string key(name);
    const char* value = std::getenv(key.c_str());
    if (value == nullptr || !isValidUtf8(value)) {
        return std::nullopt;
    }
    return std::string(value);
}

} // namespace fennrow

#endif
