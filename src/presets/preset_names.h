// How presets are named and tagged for a host's browser.
#pragma once

#include <string>
#include <string_view>

namespace fennrow::presets {

// The display name a preset file gets when its document names none: the last
// path component (after the last slash or backslash), cut at its first colon,
// without its last extension. "." and "..", and a name whose only full stop
// is its first character, stay whole. "Presets/Warm.fennrow.json" gives
// "Warm.fennrow".
std::string fileStemName(std::string_view location);

// A category as a browser feature: lower-cased byte by byte ("Sub" -> "sub").
std::string categoryFeature(std::string_view category);

} // namespace fennrow::presets
