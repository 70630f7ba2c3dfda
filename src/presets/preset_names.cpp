#include "presets/preset_names.h"

namespace fennrow::presets {

std::string fileStemName(std::string_view location) {
    std::string_view component = location;
    const std::size_t lastSeparator = component.find_last_of("/\\");
    if (lastSeparator != std::string_view::npos) {
        component.remove_prefix(lastSeparator + 1);
    }
    const std::size_t colon = component.find(':');
    if (colon != std::string_view::npos) {
        component = component.substr(0, colon);
    }
    if (component == "." || component == "..") {
        return std::string(component);
    }
    const std::size_t lastDot = component.rfind('.');
    if (lastDot == std::string_view::npos || lastDot == 0) {
        return std::string(component);
    }
    return std::string(component.substr(0, lastDot));
}

std::string categoryFeature(std::string_view category) {
    std::string feature(category);
    for (char& c : feature) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return feature;
}

} // namespace fennrow::presets
