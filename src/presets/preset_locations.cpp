#include "presets/preset_locations.h"

#include "platform/environment.h"
#include "platform/file_system.h"

#include <span>
#include <string_view>

namespace fennrow::presets {

namespace {

constexpr const char* kAppDataVariable = "APPDATA";
constexpr std::string_view kUserPresetParts[] = {"Tamber", "Presets", "fennrow"};
constexpr std::string_view kEarlierPresetParts[] = {"Brightmoss", "fennrow", "Presets"};

// An empty base is treated like a missing one: joining onto it would give a
// folder relative to whatever the host's working folder happens to be.
std::optional<std::string> joinUnder(const std::optional<std::string>& base,
                                     std::span<const std::string_view> parts) {
    if (!base || base->empty()) {
        return std::nullopt;
    }
    std::string path = *base;
    for (std::string_view part : parts) {
        path = platform::pathJoin(path, part);
    }
    return path;
}

} // namespace

// A system without APPDATA (no Linux host sets it) keeps the same folders
// below the user's data folder, so a musician there has a user preset folder.
std::optional<std::string> userPresetFolder() {
    if (std::optional<std::string> folder = joinUnder(
            environmentValue(kAppDataVariable, platform::EnvironmentForm::Wide), kUserPresetParts)) {
        return folder;
    }
    return joinUnder(platform::userDataFolderWithoutAppData(), kUserPresetParts);
}

// Earlier versions found their folder through the narrow copy of APPDATA, so
// it is looked up the same way. They had no folder where APPDATA is unset, so
// there is nothing of theirs below the user's data folder to look for.
std::optional<std::string> earlierPresetFolder() {
    std::optional<std::string> folder =
        joinUnder(environmentValue(kAppDataVariable, platform::EnvironmentForm::Narrow), kEarlierPresetParts);
    if (!folder || !platform::folderExists(*folder)) {
        return std::nullopt;
    }
    return folder;
}

} // namespace fennrow::presets
