#include "presets/preset_locations.h"

#include "platform/environment.h"
#include "platform/file_system.h"

#include <initializer_list>
#include <string_view>

namespace fennrow {

namespace {

constexpr const char* kAppDataVariable = "APPDATA";

// An empty APPDATA is treated like a missing one: joining onto it would give
// a folder relative to whatever the host's working folder happens to be.
std::optional<std::string> underAppData(EnvironmentForm form, std::initializer_list<std::string_view> parts) {
    std::optional<std::string> appData = environmentValue(kAppDataVariable, form);
    if (!appData || appData->empty()) {
        return std::nullopt;
    }
    std::string path = *appData;
    for (std::string_view part : parts) {
        path = pathJoin(path, part);
    }
    return path;
}

} // namespace

std::optional<std::string> userPresetFolder() {
    return underAppData(EnvironmentForm::Wide, {"Tamber", "Presets", "fennrow"});
}

// Earlier versions found their folder through the narrow copy of APPDATA, so
// it is looked up the same way.
std::optional<std::string> earlierPresetFolder() {
    std::optional<std::string> folder =
        underAppData(EnvironmentForm::Narrow, {"Brightmoss", "fennrow", "Presets"});
    if (!folder || !folderExists(*folder)) {
        return std::nullopt;
    }
    return folder;
}

} // namespace fennrow
