// Where preset files live on the user's machine, worked out from the
// application-data folder named by the environment.
#pragma once

#include <optional>
#include <string>

namespace fennrow::presets {

// APPDATA/Tamber/Presets/fennrow, whether or not it exists; where APPDATA is
// unset or empty, the same below the user's data folder (on Linux
// $XDG_DATA_HOME or ~/.local/share); nothing when there is neither.
std::optional<std::string> userPresetFolder();

// APPDATA/Brightmoss/fennrow/Presets, only when that folder exists.
std::optional<std::string> earlierPresetFolder();

} // namespace fennrow::presets
