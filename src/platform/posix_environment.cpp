// The environment on systems whose variables are byte strings.
#if !defined(_WIN32)

#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/utf8.h"

#include <cstdlib>

namespace fennrow::platform {

std::optional<std::string> environmentValue(std::string_view name, EnvironmentForm /*form*/) {
    const std::string key(name);
    const char* value = std::getenv(key.c_str());
    if (value == nullptr || !isValidUtf8(value)) {
        return std::nullopt;
    }
    return std::string(value);
}

std::optional<std::string> userDataFolderWithoutAppData() {
    // Relative values are to be ignored: they would name a folder below
    // whatever the host's working folder happens to be.
    if (std::optional<std::string> dataHome = environmentValue("XDG_DATA_HOME");
        dataHome && dataHome->starts_with('/')) {
        return dataHome;
    }
    std::optional<std::string> home = environmentValue("HOME");
    if (!home || !home->starts_with('/')) {
        return std::nullopt;
    }
    return pathJoin(pathJoin(*home, ".local"), "share");
}

} // namespace fennrow::platform

#endif
