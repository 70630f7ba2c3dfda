// The process environment, read as UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace fennrow::platform {

// A system whose environment is UTF-16 keeps each variable twice: as the
// wide value, and as a narrow copy in the system's code page, which can only
// approximate letters outside that code page. Callers say which they read;
// on a system with a byte-string environment both read the same bytes.
enum class EnvironmentForm { Wide, Narrow };

// The value of the variable as UTF-8, or nothing when it is unset or cannot
// be represented as UTF-8.
std::optional<std::string> environmentValue(std::string_view name,
                                            EnvironmentForm form = EnvironmentForm::Wide);

// Where the user's application data lives on a system whose environment
// names no APPDATA: on Linux and the like $XDG_DATA_HOME when it is an
// absolute path, else ~/.local/share under $HOME; nothing on Windows (where
// APPDATA is that folder) or when neither variable gives a folder.
std::optional<std::string> userDataFolderWithoutAppData();

} // namespace fennrow::platform
